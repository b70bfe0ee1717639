#include "jobs/convert_images.h"

#include <memory>
#include <optional>

#include "form/form_controls.h"
#include "image/jpeg_image.h"
#include "image/tiff_write.h"
#include "imagelib/format_registry.h"
#include "jobs/batch_limits.h"
#include "jobs/file_pool.h"
#include "jobs/job_run.h"
#include "jobs/listed_sources.h"
#include "platform/errors.h"
#include "platform/file_copy.h"
#include "platform/file_system.h"
#include "platform/path.h"

namespace quillo {
namespace {

constexpr int kJpegOutputQuality = 100;

const char* NewExtension(TImageKind kind) {
  switch (kind) {
    case ikBmp:
      return ".bmp";
    case ikJpeg:
      return ".jpg";
    case ikTiff:
      return ".tif";
    default:
      throw EInvalidGraphic(kNoOutputTypeMessage);
  }
}

// The output type is read when a file is handed out, so a change made during a run applies from
// the next file handed out on.
TImageKind OutputKind(const FormControls& form) {
  const int index = form.RadioGroup_ConversionImageType.ItemIndex();
  return index >= 0 && index <= 2 ? static_cast<TImageKind>(index + 1) : ikUnknown;
}

// The reader is chosen by the file's content, whatever its extension says.
void LoadThroughReader(TBitmap& bitmap, const std::string& path) {
  const TGraphicClass* reader_class = FormatRegistry().ClassForFile(path);
  const std::unique_ptr<TGraphic> reader = reader_class ? reader_class->Create() : nullptr;
  if (!reader) throw EInvalidGraphic(Format(kNoReaderPattern, {path}));
  reader->LoadFile(path);
  bitmap.AssignFrom(reader.get());
}

}  // namespace

std::string ConversionTarget(const std::string& source, const std::string& folder,
                             TImageKind kind) {
  const char* extension = NewExtension(kind);
  const std::string target = FolderPrefix(folder) + ExtractFileName(source);
  return GetImageKind(source) == kind ? target : ChangeFileExt(target, extension);
}

void LoadImageToBitmap(TBitmap& bitmap, const std::string& path) {
  switch (GetImageKind(path)) {
    case ikBmp:
      bitmap.LoadFile(path);
      break;
    case ikJpeg: {
      TJPEGImage jpeg;
      jpeg.LoadFile(path);
      bitmap.AssignFrom(&jpeg);
      break;
    }
    case ikTiff:
      LoadThroughReader(bitmap, path);
      break;
    default:
      throw EInvalidGraphic(Format(kUnknownImageKindPattern, {path}));
  }
}

void SaveBitmapAsImageKind(TBitmap& bitmap, const std::string& path) {
  switch (GetImageKind(path)) {
    case ikBmp:
      bitmap.SaveFile(path);
      break;
    case ikJpeg: {
      TJPEGImage jpeg;
      jpeg.Options().JpegQuality = kJpegOutputQuality;
      jpeg.AssignFrom(&bitmap);
      jpeg.SaveFile(path);
      break;
    }
    case ikTiff:
      SaveTiffFile(path, bitmap);
      break;
    default:
      throw EInvalidGraphic(Format(kUnknownImageKindPattern, {path}));
  }
}

void ConvertImageFile(const std::string& source, const std::string& folder, TImageKind kind,
                      const ListedSources& sources, const ConvertFileHook& convert_file) {
  const std::string target = ConversionTarget(source, folder, kind);
  if (GetImageKind(source) == kind) {
    sources.CheckTarget(source, target);
    CopyFileAtomically(source, target);
    return;
  }
  if (convert_file) {
    sources.CheckTarget(source, target);
    convert_file(source, target);
    return;
  }
  TBitmap bitmap;
  LoadImageToBitmap(bitmap, source);
  sources.CheckTarget(source, target);
  SaveBitmapAsImageKind(bitmap, target);
}

void ConvertImages(FormControls& form, const ConvertFileHook& convert_file) {
  if (!FolderAndListValid(form.Edit_ConversionSource, form.Editor4)) return;

  const RunningJob running(form.conversion_running, form.SpeedButton_ConversionProcess);
  RemoveLeftTemporaries(FolderPrefix(form.Edit_ConversionDest.Text()));
  const int count = form.Editor4.LineCount();
  // A run that would replace a listed source it has not read yet writes nothing at all.
  const ListedSources sources(form.Editor4);
  for (int i = 0; i < count; ++i) {
    const std::string source = CheckedLine(form.Editor4, i);
    if (FileExists(source)) {
      sources.CheckTarget(
          source, ConversionTarget(source, form.Edit_ConversionDest.Text(), OutputKind(form)));
    }
  }
  const bool completed = RunListedFiles(
      {.count = count,
       .source = [&](int line) { return std::optional(CheckedLine(form.Editor4, line)); },
       .memory = WorkingMemory,
       .hand_out = [&](const std::string& source) -> PrepareFile {
         return [&sources, &convert_file, source, folder = form.Edit_ConversionDest.Text(),
                 kind = OutputKind(form)] {
           ConvertImageFile(source, folder, kind, sources, convert_file);
         };
       },
       .announce = [&](const std::string& source) { AnnounceFile(form, source); },
       .aborted = [&] { return !form.conversion_running; },
       .pump = [&] { form.Window().ProcessMessages(); }},
      BatchLimits(form.parallel_files));
  form.SetStatusText(completed ? kCompleteText : kAbortedText);
}

}  // namespace quillo
