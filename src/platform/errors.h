// The exception classes of the program and the formatting of their message patterns.
#pragma once

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "platform/source_text.h"

namespace quillo {

// Base of every error the program raises: a message text in the system code page.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

#define QUILLO_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {                 \
   public:                                   \
    using Base::Base;                        \
  }

QUILLO_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
QUILLO_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);
QUILLO_DECLARE_EXCEPTION(EGraphicCompression, Exception);
QUILLO_DECLARE_EXCEPTION(EColorConversionError, Exception);
QUILLO_DECLARE_EXCEPTION(EStreamError, Exception);
QUILLO_DECLARE_EXCEPTION(EReadError, EStreamError);
QUILLO_DECLARE_EXCEPTION(EWriteError, EStreamError);
QUILLO_DECLARE_EXCEPTION(EFOpenError, EStreamError);
QUILLO_DECLARE_EXCEPTION(EFCreateError, EStreamError);
QUILLO_DECLARE_EXCEPTION(EConvertError, Exception);
QUILLO_DECLARE_EXCEPTION(EListError, Exception);
// Silent: the error display shows nothing for it.
QUILLO_DECLARE_EXCEPTION(EAbort, Exception);

#undef QUILLO_DECLARE_EXCEPTION

// A JPEG library error: the message, and the library's own explanation of its code where it has
// one (the shell front end adds it to the message; the window shows the message alone).
class EJPEG : public EInvalidGraphic {
 public:
  using EInvalidGraphic::EInvalidGraphic;
  EJPEG(std::string message, std::string explanation)
      : EInvalidGraphic(std::move(message)), explanation_(std::move(explanation)) {}
  const std::string& Explanation() const noexcept { return explanation_; }

 private:
  std::string explanation_;
};

// Replaces each "%s" or "%d" of the pattern, left to right, by the next argument; "%%" gives "%".
// Surplus placeholders stay as they are. The pattern is the user's language's, the arguments as
// given.
std::string Format(std::string_view pattern, std::initializer_list<std::string_view> args);

// The stream layer's messages, shared by every reader and writer.
inline constexpr char kReadErrorMessage[] = N_("ストリームからの読み込みエラー");
inline constexpr char kWriteErrorMessage[] = N_("ストリームへの書き込みエラー");
inline constexpr char kFileOpenErrorPattern[] = N_("ファイル \"%s\" は開けません。%s");
inline constexpr char kFileCreateErrorPattern[] = N_("ファイル \"%s\" を作成できません。%s");
inline constexpr char kAssignErrorPattern[] = N_("%s を %s に代入することはできません");
// The list control's message for a line asked for beyond its end.
inline constexpr char kListIndexErrorMessage[] = N_("リストのインデックスが範囲を超えています");

}  // namespace quillo
