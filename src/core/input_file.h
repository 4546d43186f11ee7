// Opening a file of outside input for reading. An ordinary open of a FIFO that has no writer waits
// forever, and a device or a folder is no file to analyse: the file is opened without blocking and
// kept only when it is a regular file. Reading goes through an ordinary std::istream.
#pragma once

#include <istream>
#include <memory>
#include <string>

namespace pektra {

class InputFile {
 public:
  enum class Status { kOpen, kFailed, kNotRegular };

  explicit InputFile(const std::string& name);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  Status status() const { return status_; }
  // The stream of the file's bytes, untranslated; a failed stream unless the file is open. A read
  // error sets its badbit.
  std::istream& stream() { return stream_; }
  // Why opening or reading failed, in the system's terms ("permission denied", "no such file",
  // "input/output error", ...); "" while nothing failed.
  std::string reason() const;

  // The text of reason() for a system error number.
  static std::string Reason(int error_number);

 private:
  class Buffer;
  std::unique_ptr<Buffer> buffer_;
  std::istream stream_;
  Status status_ = Status::kFailed;
  int open_error_ = 0;
};

}  // namespace pektra
