// Text given to GTK gadgets is shown by the program-wide rule: a text
// holding UTF-8 bytes (a path from the file system) as that UTF-8, anything
// else one character per unit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/gtk/private_display.h"
#include "system/strings.h"

namespace qm {
namespace {

using namespace qm::testing;

struct Shown {
  const char* what;
  String text;
  std::string utf8;
};

const std::vector<Shown>& Texts() {
  static const std::vector<Shown> texts = {
      {"utf-8 path",
       FromBytes("/home/me/R\xC3\xA9"
                 "al Install/\xE6\x96\x87\xE6\xA1\xA3"),
       "/home/me/R\xC3\xA9"
       "al Install/\xE6\x96\x87\xE6\xA1\xA3"},
      {"emoji bytes", FromBytes("Items: 3 \xF0\x9F\x98\x80"), "Items: 3 \xF0\x9F\x98\x80"},
      {"latin-1 bytes", FromBytes("caf\xE9"), "caf\xC3\xA9"},
      {"wide text", u"Items: 42 \u20AC", "Items: 42 \xE2\x82\xAC"},
      {"utf-8 bytes beside a wide unit", u"\u00C3\u00A9\u2026", "\xC3\x83\xC2\xA9\xE2\x80\xA6"},
  };
  return texts;
}

std::string LabelText(const GadgetPtr& g) { return gtk_label_get_text(GTK_LABEL(Widget(g))); }
std::string ButtonText(const GadgetPtr& g) { return gtk_button_get_label(GTK_BUTTON(Widget(g))); }
std::string Title(const GadgetPtr& g) { return gtk_window_get_title(GTK_WINDOW(Widget(g))); }
std::string GroupTitle(const GadgetPtr& g) { return gtk_frame_get_label(GTK_FRAME(Widget(g))); }

TEST(GtkDisplayText, LabelsButtonsAndTitlesShowTextByTheDisplayRule) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  for (const auto& t : Texts()) {
    GadgetPtr window = CreateWindow(t.text, 0, 0, 400, 150, nullptr, WindowTitleBar | WindowHidden);
    FreeOnExit guard(window);
    EXPECT_EQ(Title(window), t.utf8) << t.what;
    // Created with the text, and given it later.
    GadgetPtr label = CreateLabel(t.text, 10, 10, 300, 20, window, LabelFrame);
    GadgetPtr group = CreateLabel(t.text, 10, 40, 300, 40, window, LabelGroupBox);
    GadgetPtr button = CreateButton(t.text, 10, 90, 180, 20, window, ButtonPushStyle);
    GadgetPtr box = CreateButton(u"x", 200, 90, 180, 20, window, ButtonCheckbox);
    EXPECT_EQ(LabelText(label), t.utf8) << t.what;
    EXPECT_EQ(GroupTitle(group), t.utf8) << t.what;
    EXPECT_EQ(ButtonText(button), t.utf8) << t.what;
    SetGadgetText(box, t.text);
    EXPECT_EQ(ButtonText(box), t.utf8) << t.what;
    SetGadgetText(label, u"");
    SetGadgetText(label, t.text);
    EXPECT_EQ(LabelText(label), t.utf8) << t.what;

    // What is read back shows the same text when given again: setting the
    // window's text colour sets its title again from it.
    SetGadgetColor(window, 10, 20, 30, 0);
    EXPECT_EQ(Title(window), t.utf8) << t.what;
    SetGadgetText(label, label->GetText());
    EXPECT_EQ(LabelText(label), t.utf8) << t.what;
    SetGadgetText(button, button->GetText());
    EXPECT_EQ(ButtonText(button), t.utf8) << t.what;
  }
}

}  // namespace
}  // namespace qm
