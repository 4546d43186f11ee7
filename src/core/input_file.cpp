#include "core/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ios>
#include <streambuf>
#include <system_error>

namespace pektra {

// A read-only stream buffer on a file descriptor, which it closes. A failed read throws, which
// the istream turns into its badbit: an error must not pass for the end of the file.
class InputFile::Buffer : public std::streambuf {
 public:
  explicit Buffer(int fd) : fd_(fd) {}
  ~Buffer() override { ::close(fd_); }
  int error() const { return error_; }

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    ssize_t n = 0;
    do {
      n = ::read(fd_, data_, sizeof data_);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
      error_ = errno;
      throw std::ios_base::failure("read failed");
    }
    if (n == 0) return traits_type::eof();
    setg(data_, data_, data_ + n);
    return traits_type::to_int_type(*gptr());
  }

 private:
  int fd_;
  int error_ = 0;
  char data_[65536];
};

InputFile::InputFile(const std::string& name) : stream_(nullptr) {
  // O_NONBLOCK: opening a FIFO without a writer returns at once instead of waiting for one.
  const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    open_error_ = errno;
    return;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    open_error_ = errno;
    ::close(fd);
    return;
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    status_ = Status::kNotRegular;
    return;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  buffer_ = std::make_unique<Buffer>(fd);
  stream_.rdbuf(buffer_.get());
  status_ = Status::kOpen;
}

InputFile::~InputFile() = default;

std::string InputFile::reason() const {
  if (open_error_ != 0) return Reason(open_error_);
  if (buffer_ && buffer_->error() != 0) return Reason(buffer_->error());
  return {};
}

std::string InputFile::Reason(int error_number) {
  switch (error_number) {
    case EACCES:
    case EPERM:
      return "permission denied";
    case ENOENT:
      return "no such file";
    case ENOTDIR:
      return "no such folder";
    case EISDIR:
      return "is a directory";
    case ENAMETOOLONG:
      return "name too long";
    case ELOOP:
      return "too many symbolic links";
    case EMFILE:
    case ENFILE:
      return "too many open files";
    case EIO:
      return "input/output error";
    default: {
      std::string text = std::generic_category().message(error_number);
      if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] + 32);
      return text;
    }
  }
}

}  // namespace pektra
