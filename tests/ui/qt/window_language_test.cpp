// The real window with LANG=en_US.UTF-8 and with no locale: every caption in its language, each
// fitting its control in the window's font, and a screenshot of every tab in each language.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/form_description.h"
#include "imagelib/format_registry.h"
#include "platform/translation.h"
#include "qt_environment.h"
#include "support/temp_dir.h"
#include "ui/qt/native_text.h"
#include "ui/qt/qt_controls.h"
#include "ui/qt/qt_program.h"

namespace quillo {
namespace {

struct Language {
  const char* name;
  const char* lang;  // nullptr: no locale variable set
  const char* screenshot_suffix;
};

constexpr const char* kLocaleVariables[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};

// Sets the locale variables for the test's lifetime and puts back the ones it found.
class LocaleEnvironment {
 public:
  explicit LocaleEnvironment(const char* lang) {
    for (const char* name : kLocaleVariables) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name,
                          value != nullptr ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(name);
    }
    if (lang != nullptr) setenv("LANG", lang, 1);
  }
  ~LocaleEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name, value->c_str(), 1);
      } else {
        unsetenv(name);
      }
    }
  }

 private:
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

class WindowLanguage : public ::testing::TestWithParam<Language> {
 protected:
  WindowLanguage()
      : environment_(GetParam().lang),
        catalogue_(
            CatalogueForEnvironment({std::string(QUILLO_BINARY_DIR) + "/locale"}, std::getenv)) {
    if (catalogue_) in_use_.emplace(*catalogue_);
    program_ = std::make_unique<QtProgram>(temp_.File("Quillomark.exe"));
    program_->Show();
  }

  bool English() const { return GetParam().lang != nullptr; }
  QtMainWindow& Window() { return program_->Window(); }
  QWidget* Find(std::string_view name) { return Window().findChild<QWidget*>(ToQString(name)); }

  // A caption as the language wants it: the description's own bytes without a locale, English
  // (no byte beyond ASCII) with one.
  void ExpectInLanguage(const QString& shown, std::string_view described) {
    const std::string text = FromQString(shown);
    if (!English()) {
      EXPECT_EQ(text, described);
      return;
    }
    for (const char c : text) EXPECT_EQ(c & 0x80, 0) << "not English: " << text;
  }

  TFormatRegistration formats_;
  testing::TempDir temp_;
  LocaleEnvironment environment_;
  std::optional<MessageCatalogue> catalogue_;
  std::optional<ScopedMessageCatalogue> in_use_;
  std::unique_ptr<QtProgram> program_;
};

// The room a text takes beside an indicator (check box, radio button) or inside a button's frame.
int TextRoom(const QWidget& widget, const QString& text, QStyle::PixelMetric indicator,
             QStyle::PixelMetric spacing) {
  const QStyle& style = *widget.style();
  return widget.fontMetrics().horizontalAdvance(text) +
         style.pixelMetric(indicator, nullptr, &widget) +
         style.pixelMetric(spacing, nullptr, &widget);
}

TEST_P(WindowLanguage, EveryCaptionIsInTheLanguageAndFitsItsControl) {
  const FormDescription& form = MainFormDescription();
  ASSERT_EQ(catalogue_.has_value(), English());
  const QTabWidget* tabs = Window().Tabs();
  for (int i = 0; i < tabs->count(); ++i) {
    ExpectInLanguage(tabs->tabText(i), form.tabs[static_cast<size_t>(i)].caption);
  }
  // Every tab's name shows at once, without scroll buttons.
  EXPECT_LE(tabs->tabBar()->sizeHint().width(), tabs->width());

  for (const ControlDescription& c : form.controls) {
    SCOPED_TRACE(std::string(c.name));
    QWidget* widget = Find(c.name);
    ASSERT_NE(widget, nullptr);
    switch (c.kind) {
      case ckLabel: {
        const auto* label = qobject_cast<QLabel*>(widget);
        ExpectInLanguage(label->text(), c.text);
        // A label sizes itself to its text: it must stay on its page and off its neighbours.
        const QRect room = label->geometry();
        EXPECT_TRUE(label->parentWidget()->rect().contains(room)) << FromQString(label->text());
        for (const QWidget* other :
             label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
          if (other == label) continue;
          EXPECT_FALSE(room.intersects(other->geometry()))
              << FromQString(label->text()) << " runs into " << FromQString(other->objectName());
        }
        break;
      }
      case ckButton: {
        const QString text = qobject_cast<QAbstractButton*>(widget)->text();
        ExpectInLanguage(text, c.text);
        EXPECT_LE(TextRoom(*widget, text, QStyle::PM_ButtonMargin, QStyle::PM_ButtonMargin),
                  widget->width())
            << FromQString(text);
        break;
      }
      case ckCheckBox: {
        const QString text = qobject_cast<QCheckBox*>(widget)->text();
        ExpectInLanguage(text, c.text);
        EXPECT_LE(
            TextRoom(*widget, text, QStyle::PM_IndicatorWidth, QStyle::PM_CheckBoxLabelSpacing),
            widget->width())
            << FromQString(text);
        break;
      }
      case ckRadioGroup: {
        const auto* group = qobject_cast<QtRadioGroup*>(widget);
        ExpectInLanguage(group->Caption(), c.text);
        // The caption is drawn from x = 8 with 2 pixels either side.
        EXPECT_LE(8 + widget->fontMetrics().horizontalAdvance(group->Caption()) + 4,
                  widget->width());
        ASSERT_EQ(group->Buttons().size(), c.items.size());
        for (size_t i = 0; i < c.items.size(); ++i) {
          const QRadioButton& item = *group->Buttons()[i];
          ExpectInLanguage(item.text(), c.items[i]);
          EXPECT_LE(TextRoom(item, item.text(), QStyle::PM_ExclusiveIndicatorWidth,
                             QStyle::PM_RadioButtonLabelSpacing),
                    item.width())
              << FromQString(item.text());
        }
        break;
      }
      case ckEdit:
      case ckListEditor:
        break;
    }
  }
}

TEST_P(WindowLanguage, StatusTextsAreShownInTheLanguage) {
  const auto* status = Window().statusBar()->findChild<QLabel*>();
  ASSERT_NE(status, nullptr);
  const struct {
    std::string set;
    std::string no_locale;
    std::string english;
  } rows[] = {
      {"処理中 /photos/処理中.jpg", "処理中 /photos/処理中.jpg", "Processing /photos/処理中.jpg"},
      {"中断されました。", "中断されました。", "Stopped."},
      {"Complete!", "Complete!", "Complete!"},
  };
  for (const auto& row : rows) {
    Window().SetStatusText(row.set);
    EXPECT_EQ(FromQString(status->text()), English() ? row.english : row.no_locale);
    // The form reads back what it set, whatever the user reads.
    EXPECT_EQ(Window().StatusText(), row.set);
  }
}

// One picture per tab and language for people to look at.
TEST_P(WindowLanguage, SavesAScreenshotOfEveryTab) {
  const std::filesystem::path folder = std::filesystem::path(QUILLO_BINARY_DIR) / "screenshots";
  std::filesystem::create_directories(folder);
  const std::vector<std::string> sample = {"/photos/2024/IMG_0001.jpg", "/photos/2024/IMG_0002.jpg",
                                           "/photos/2024/夕焼け.jpg"};
  for (const char* editor : {"Editor1", "Editor2", "Editor3", "Editor4"}) {
    Window().Editor(editor).SetLines(sample);
  }
  Window().SetStatusText("処理中 /photos/2024/IMG_0002.jpg");
  for (int tab = 0; tab < 4; ++tab) {
    Window().SelectTab(tab);
    const QImage shot = Window().grab().toImage();
    EXPECT_EQ(shot.size(), QSize(703, 517));
    const std::string file =
        (folder / ("tab" + std::to_string(tab + 1) + GetParam().screenshot_suffix + ".png"))
            .string();
    EXPECT_TRUE(shot.save(ToQString(file), "PNG")) << file;
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, WindowLanguage,
                         ::testing::Values(Language{"NoLocale", nullptr, ""},
                                           Language{"English", "en_US.UTF-8", "-en"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillo
