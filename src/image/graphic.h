// The abstract graphic: size, palette, stream and file transfer, hand-over between graphic
// classes, and the change and progress hooks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "image/palette.h"
#include "platform/stream.h"

namespace quillo {

enum TProgressStage : uint8_t { psStarting, psRunning, psEnding };

struct TRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

class TGraphic {
 public:
  using TNotifyEvent = std::function<void(TGraphic& sender)>;
  using TProgressEvent =
      std::function<void(TGraphic& sender, TProgressStage stage, uint8_t percent, bool redraw_now,
                         const TRect& rect, const std::string& message)>;

  virtual ~TGraphic() = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;

  virtual const char* ClassName() const = 0;

  // Hands this graphic's image to the target. A graphic that cannot do so fails with
  // EConvertError, as this base version always does.
  virtual void AssignInto(TGraphic& target);
  // Takes over the source's image; the base version asks the source to hand it over.
  // A null source fails with EConvertError unless a class gives it a meaning.
  virtual void AssignFrom(TGraphic* source);

  // Marks the graphic modified and calls the change hook.
  virtual void Changed();
  virtual bool Empty() const = 0;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  virtual void SetWidth(int32_t width) = 0;
  virtual void SetHeight(int32_t height) = 0;
  // The palette that goes with the image, or none.
  virtual TPaletteRef Palette() { return nullptr; }
  virtual void SetPalette(TPaletteRef palette);

  // Stream transfer: loading takes the bytes from the stream's position to its end.
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  // Opens the file for reading and loads it (EFOpenError when it cannot be opened).
  void LoadFile(const std::string& path);
  // Saves through a temporary file that replaces the target only when everything was written, so
  // a failure leaves an existing file as it was (EFCreateError, EWriteError).
  void SaveFile(const std::string& path);

  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent) { transparent_ = transparent; }
  bool PaletteModified() const { return palette_modified_; }
  void SetPaletteModified(bool modified) { palette_modified_ = modified; }

  void SetOnChange(TNotifyEvent hook) { on_change_ = std::move(hook); }
  void SetOnProgress(TProgressEvent hook) { on_progress_ = std::move(hook); }

 protected:
  TGraphic() = default;

  // Reports progress through the progress hook, when one is attached.
  void Progress(TProgressStage stage, uint8_t percent, bool redraw_now, const TRect& rect,
                const std::string& message);
  // The EConvertError for a hand-over from source (null for none) to target.
  [[noreturn]] static void AssignError(const TGraphic* source, const TGraphic& target);

 private:
  bool modified_ = false;
  bool transparent_ = false;
  bool palette_modified_ = false;
  TNotifyEvent on_change_;
  TProgressEvent on_progress_;
};

}  // namespace quillo
