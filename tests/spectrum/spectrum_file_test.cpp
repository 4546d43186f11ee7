// Opening a spectrum file: what is no regular file, what cannot be opened, and files too long to
// hold in memory.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <streambuf>
#include <string>

#include <gtest/gtest.h>

#include "spectrum/spectrum_readers.h"
#include "support/test_files.h"

namespace pektra {
namespace {

// The bytes of `next()` repeated until `limit` bytes, counting how many the reader took.
class GeneratedText : public std::streambuf {
 public:
  GeneratedText(std::function<std::string()> next, std::size_t limit)
      : next_(std::move(next)), limit_(limit) {}
  std::size_t served() const { return served_; }

 protected:
  int_type underflow() override {
    if (served_ >= limit_) return traits_type::eof();
    piece_ = next_();
    served_ += piece_.size();
    setg(piece_.data(), piece_.data(), piece_.data() + piece_.size());
    return traits_type::to_int_type(piece_[0]);
  }

 private:
  std::function<std::string()> next_;
  std::size_t limit_, served_ = 0;
  std::string piece_;
};

TEST(SpectrumFile, FifoFolderAndDeviceAreRefusedWithoutWaiting) {
  testing::TempDir dir;
  const std::string fifo = dir.File("spectrum.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const int type : {1, 3}) {
    TSpectrum spectrum(fifo);
    auto reading = std::async(std::launch::async,
                              [&] { return ReadSpectrumFile(spectrum, type, 1, ReadOptions{}); });
    if (reading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      ADD_FAILURE() << "reading a FIFO without writer waits for one";
      ::close(::open(fifo.c_str(), O_WRONLY));  // lets the reading end
    }
    const Outcome outcome = reading.get();
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, fifo + " is not a regular file");
  }
  for (const auto& [name, type] :
       {std::pair{dir.path().string(), 4}, std::pair{std::string("/dev/zero"), 1}}) {
    TSpectrum spectrum(name);
    const TSpectrum before = spectrum;
    const Outcome outcome = ReadSpectrumFile(spectrum, type, 1, ReadOptions{});
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, name + " is not a regular file");
    EXPECT_EQ(spectrum, before);
  }
}

TEST(SpectrumFile, AFileThatCannotBeOpenedSaysWhy) {
  testing::TempDir dir;
  const std::string missing = dir.File("missing.spe");
  const std::string in_a_file = dir.File("plain/x.spe");
  testing::WriteFile(dir.File("plain"), "1\n");
  for (const auto& [name, reason] :
       {std::pair{missing, "no such file"}, std::pair{in_a_file, "no such folder"}}) {
    TSpectrum spectrum(name);
    spectrum.counts[3] = 4.0;
    const TSpectrum before = spectrum;
    for (const int type : {1, 2, 3, 4}) {
      const Outcome outcome = ReadSpectrumFile(spectrum, type, 1, ReadOptions{});
      EXPECT_FALSE(outcome.ok);
      EXPECT_EQ(outcome.message, name + ": opening failure; \n\r" + reason);
      EXPECT_EQ(spectrum, before);
    }
  }
  if (::geteuid() != 0) {  // the superuser reads every file
    const std::string locked = dir.File("locked.txt");
    testing::WriteFile(locked, "1 2 3\n");
    ::chmod(locked.c_str(), 0);
    TSpectrum spectrum(locked);
    EXPECT_EQ(ReadSpectrumFile(spectrum, 3, 1, ReadOptions{}).message,
              locked + ": opening failure; \n\rpermission denied");
  }
}

TEST(SpectrumFile, ReadingStopsAtTheLastChannelOrAnOverlongLine) {
  int x = 0;
  GeneratedText lines([&] { return std::to_string(++x) + " 7\n"; }, 40'000'000);
  std::istream xy(&lines);
  TSpectrum spectrum;
  Outcome outcome = ReadXY(spectrum, xy, 1, ReadOptions{});
  ASSERT_TRUE(outcome.ok);
  EXPECT_EQ(spectrum.a2, 16384);
  EXPECT_LT(lines.served(), 1'000'000u);

  GeneratedText one_line([] { return std::string(4096, '1').replace(0, 1, " "); }, 40'000'000);
  std::istream counts(&one_line);
  const TSpectrum before = spectrum;
  outcome = ReadFreeField(spectrum, counts, 1);
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message, "Error in line 1: the line is longer than 4194304 characters");
  EXPECT_LT(one_line.served(), 5'000'000u);
  EXPECT_EQ(spectrum, before);
}

}  // namespace
}  // namespace pektra
