// rotate --lossless of the shell front end on a 24-megapixel photo-like JPEG with an EXIF block
// (orientation and thumbnail), against the rotate job (decode, turn, encode at quality 90) on the
// same file, in the same run, in a process whose heap keeps freed memory as the shell front
// end's does.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <exiv2/exiv2.hpp>

#include "bench_support.h"
#include "cli/cli_session.h"
#include "cli/memory_reuse.h"
#include "ui/headless/headless_window.h"

namespace {

using namespace quillo::bench;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// An EXIF block with Orientation 6 and a 160 x 120 JPEG thumbnail, as exiv2 writes it.
std::string ExifBlock() {
  const std::vector<uint8_t> thumbnail = EncodeJpeg(PhotoRgb(160, 120).data(), 160, 120, 90);
  Exiv2::ExifData data;
  data["Exif.Image.Orientation"] = uint16_t{6};
  Exiv2::ExifThumb(data).setJpegThumbnail(thumbnail.data(), static_cast<long>(thumbnail.size()));
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
  return std::string("Exif\0\0", 6) + std::string(blob.begin(), blob.end());
}

class Folders {
 public:
  Folders() {
    const std::vector<uint8_t> file =
        EncodeJpeg(PhotoRgb(kWidth, kHeight).data(), kWidth, kHeight, 90, ExifBlock());
    std::filesystem::create_directories(In());
    std::filesystem::create_directories(Out());
    WritePlain(In() + "/photo.jpg", file.data(), file.size());
  }
  std::string In() const { return scratch_.File("in"); }
  std::string Out() const { return scratch_.File("out"); }

 private:
  ScratchDir scratch_;
};

void RunLossless(const Folders& folders) {
  static const volatile std::sig_atomic_t kNeverInterrupted = 0;
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  const int status = quillo::RunCli(
      {"rotate", "--lossless", "--turn", "left", "--source", folders.In(), "--dest", folders.Out()},
      {in, out, err}, kNeverInterrupted);
  if (status != 0 || err.str().find("re-encoding") != std::string::npos)
    throw std::runtime_error("rotate --lossless failed: " + err.str());
}

void RunJob(quillo::HeadlessApp& app, const Folders& folders) {
  app.Type("Edit_RotateSource", folders.In() + "/");
  app.Type("Edit_RotateDest", folders.Out() + "/");
  app.SetLines("Editor1", {folders.In() + "/photo.jpg"});
  app.Click("SpeedButton_RotateExecute");
  if (app.Status() != "Complete!" || !app.Boxes().empty())
    throw std::runtime_error("rotate job failed");
}

}  // namespace

int main(int argc, char** argv) {
  // As the shell front end's process runs, both sides alike.
  quillo::KeepFreedMemoryForReuse();
  const Folders folders;
  quillo::HeadlessApp app("/opt/quillomark/Quillomark.exe");
  Register("RotateLossless", [&](benchmark::State& state) {
    for (auto _ : state) RunLossless(folders);
  });
  Register("RotateJob", [&](benchmark::State& state) {
    for (auto _ : state) RunJob(app, folders);
  });
  return RunWithRatios(argc, argv,
                       {{"rotate --lossless of a 24-megapixel JPEG / the rotate job",
                         "RotateLossless", "RotateJob"}});
}
