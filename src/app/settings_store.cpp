#include "app/settings_store.h"

#include "platform/errors.h"
#include "platform/ini_file.h"
#include "platform/integer_text.h"
#include "platform/message_box.h"
#include "platform/text_compare.h"

namespace quillo {
namespace {

// The component's own modal dialog, apart from the error box of the message loop.
void ShowRegError(const std::string& text) { ShowMessageBox(miError, N_("エラー"), text); }

}  // namespace

TRegItem& TRegItems::Add(TRegItem item) { return items_.emplace_back(std::move(item)); }

TRegFiler& TRegManager::SelectItem(std::string_view name) {
  filer_.SetSelectedItem(nullptr);
  for (TRegItem& item : items_) {
    if (SameTextIgnoreCase(item.Name, name)) {
      filer_.SetSelectedItem(&item);
      return filer_;
    }
  }
  ShowRegError(Format("[' %s '] is invalid.", {name}));
  return filer_;
}

bool TRegFiler::StoreAvailable() {
  if (manager_.RegType() == rtIni && manager_.IniFileName().empty()) {
    ShowRegError("can not create Inifile object.");
    return false;
  }
  if (manager_.RegType() == rtReg && manager_.RegDir().empty()) {
    ShowRegError("can not create Registry object.");
    return false;
  }
  return true;
}

std::string TRegFiler::ReadText(const std::string& section, const std::string& key,
                                const std::string& fallback) {
  if (section.empty() || key.empty() || !StoreAvailable()) return fallback;
  if (manager_.RegType() != rtIni) return fallback;
  return TIniFile(manager_.IniFileName()).ReadString(section, key, fallback);
}

void TRegFiler::WriteText(const std::string& section, const std::string& key,
                          const std::string& value) {
  if (section.empty() || key.empty() || !StoreAvailable()) return;
  if (manager_.RegType() != rtIni) return;
  TIniFile(manager_.IniFileName()).WriteString(section, key, value);
}

std::string TRegFiler::ReadString() {
  if (item_ == nullptr) return {};
  return ReadText(item_->Section, item_->Ident, item_->DefaultValue);
}

void TRegFiler::WriteString(const std::string& value) {
  if (item_ != nullptr) WriteText(item_->Section, item_->Ident, value);
}

int32_t TRegFiler::ReadInteger() { return StrToIntDef(ReadString(), 0); }

void TRegFiler::WriteInteger(int32_t value) { WriteString(IntToStr(value)); }

bool TRegFiler::ReadBool() {
  if (item_ == nullptr) return false;
  const std::string upper = UpperCase(item_->DefaultValue);
  const bool default_true = upper == "1" || upper == "TRUE" || upper == "YES";
  const int32_t value =
      StrToIntDef(ReadText(item_->Section, item_->Ident, default_true ? "1" : "0"), 0);
  return (value & 0xFF) != 0;
}

void TRegFiler::WriteBool(bool value) { WriteString(value ? "1" : "0"); }

}  // namespace quillo
