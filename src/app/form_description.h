// The main window described once, as data: every control with its name, kind, tab, caption or
// initial text, geometry, items, enabled state, tab order and event handler. Hosts realise it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace quillo {

enum TControlKind : uint8_t { ckLabel, ckEdit, ckButton, ckCheckBox, ckRadioGroup, ckListEditor };

struct ControlBounds {
  int x = 0;
  int y = 0;
  int width = 0;  // 0 for labels: they size themselves to their caption
  int height = 0;
};

struct ControlDescription {
  std::string_view name;
  TControlKind kind;
  int tab;                                   // 0 to 3
  std::string_view text;                     // caption, initial text, or a radio group's caption
  ControlBounds bounds;                      // inside the tab
  std::vector<std::string_view> items = {};  // radio items
  int columns = 1;
  int item_index = -1;
  bool enabled = true;
  int tab_order = -1;             // position in the tab's keyboard order, -1 when not a stop
  std::string_view handler = {};  // click handler
};

struct TabDescription {
  std::string_view name;
  std::string_view caption;
};

struct FormDescription {
  std::string_view name;
  std::string_view caption;
  ControlBounds bounds;
  int min_width;
  int min_height;
  int font_pixels;
  int status_bar_height;
  int editor_font_pixels;
  std::vector<TabDescription> tabs;
  std::vector<ControlDescription> controls;
  // Handlers of the window and the tab control.
  std::string_view on_show;
  std::string_view on_close;
  std::string_view on_tab_change;

  const ControlDescription* Find(std::string_view control_name) const;
};

const FormDescription& MainFormDescription();

}  // namespace quillo
