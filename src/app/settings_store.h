// A general settings component: named items, each a section, a key and a default text, whose
// values a single filer reads from and writes to an INI file. The registry mode of other
// platforms is accepted but stores nothing here.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace quillo {

enum TRegType : uint8_t { rtReg, rtIni };

struct TRegItem {
  std::string Name;
  std::string Section;
  std::string Ident;
  std::string DefaultValue;
};

// Items in the order they were added; a reference to an item stays valid for the collection's
// life.
class TRegItems {
 public:
  TRegItem& Add(TRegItem item);

  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }

 private:
  std::deque<TRegItem> items_;
};

class TRegManager;

// Reads and writes the value of the selected item. With no item selected every read gives an
// empty text, 0 or false and every write does nothing.
class TRegFiler {
 public:
  explicit TRegFiler(TRegManager& manager) : manager_(manager) {}
  TRegFiler(const TRegFiler&) = delete;
  TRegFiler& operator=(const TRegFiler&) = delete;

  void SetSelectedItem(TRegItem* item) { item_ = item; }

  std::string ReadString();
  void WriteString(const std::string& value);
  // The stored text as an integer; 0 when it is not one.
  int32_t ReadInteger();
  void WriteInteger(int32_t value);
  // True when the stored integer's low byte is not zero; the default counts as "1" when it is
  // "1", "TRUE" or "YES" in any case, else as "0".
  bool ReadBool();
  void WriteBool(bool value);

 private:
  // The store's text under section and key; fallback when either name is empty, the key is
  // absent or the store cannot be opened.
  std::string ReadText(const std::string& section, const std::string& key,
                       const std::string& fallback);
  // Throws EIniFileException when the INI file refuses the write.
  void WriteText(const std::string& section, const std::string& key, const std::string& value);
  // Whether the store can be opened; reports in the error dialog when it cannot.
  bool StoreAvailable();

  TRegManager& manager_;
  TRegItem* item_ = nullptr;
};

class TRegManager {
 public:
  TRegManager() : filer_(*this) {}
  TRegManager(const TRegManager&) = delete;
  TRegManager& operator=(const TRegManager&) = delete;

  const std::string& IniFileName() const { return ini_file_name_; }
  void SetIniFileName(std::string name) { ini_file_name_ = std::move(name); }
  const std::string& RegDir() const { return reg_dir_; }
  void SetRegDir(std::string dir) { reg_dir_ = std::move(dir); }
  TRegType RegType() const { return reg_type_; }
  void SetRegType(TRegType type) { reg_type_ = type; }
  TRegItems& RegItems() { return items_; }

  // Selects the first item whose name matches without regard to case and returns the filer.
  // An unknown name is reported in the error dialog and leaves no item selected.
  TRegFiler& SelectItem(std::string_view name);

 private:
  std::string ini_file_name_;
  std::string reg_dir_;
  TRegType reg_type_ = rtReg;
  TRegItems items_;
  TRegFiler filer_;
};

}  // namespace quillo
