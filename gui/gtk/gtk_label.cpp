#include "gui/gtk/gtk_label.h"

#include "gui/gtk/gtk_client_area.h"
#include "gui/gtk/gtk_text.h"

namespace qm {

void TGtkLabel::CreateNative() {
  const std::string text = ToGtkText(name);
  GtkWidget* widget = nullptr;
  switch (FrameKind()) {
    case LabelGroupBox: {
      widget = gtk_frame_new(text.c_str());
      gtk_frame_set_shadow_type(GTK_FRAME(widget), GTK_SHADOW_ETCHED_IN);
      GtkWidget* content = CreateClientArea();
      gtk_container_add(GTK_CONTAINER(widget), content);
      gtk_widget_show(content);
      view = content;
      break;
    }
    case LabelSeparator:
      widget = gtk_separator_new(width >= height ? GTK_ORIENTATION_HORIZONTAL : GTK_ORIENTATION_VERTICAL);
      view = widget;
      break;
    default: {
      // The text is shown as given: no markup, no mnemonics.
      widget = gtk_label_new(text.c_str());
      GtkLabel* label = GTK_LABEL(widget);
      gtk_label_set_line_wrap(label, TRUE);
      gtk_label_set_yalign(label, 0.0f);
      float xalign = 0.0f;
      if (style & LabelRight) xalign = 1.0f;
      if (style & LabelCenter) xalign = 0.5f;
      gtk_label_set_xalign(label, xalign);
      gtk_label_set_justify(label, xalign == 1.0f   ? GTK_JUSTIFY_RIGHT
                                   : xalign == 0.5f ? GTK_JUSTIFY_CENTER
                                                    : GTK_JUSTIFY_LEFT);
      gtk_style_context_add_class(gtk_widget_get_style_context(widget), "qm-gadget");
      if (FrameKind() == LabelFrame) gtk_style_context_add_class(gtk_widget_get_style_context(widget), "qm-frame");
      view = widget;
      break;
    }
  }
  handle = widget;
  PlaceInParent(widget);
}

void TGtkLabel::SetText(const String& text) {
  if (!handle) return;
  const std::string utf8 = ToGtkText(text);
  if (GTK_IS_LABEL(handle)) {
    gtk_label_set_text(GTK_LABEL(handle), utf8.c_str());
  } else if (GTK_IS_FRAME(handle)) {
    gtk_frame_set_label(GTK_FRAME(handle), utf8.c_str());
  }
}

String TGtkLabel::GetText() {
  String text;
  if (handle && GTK_IS_LABEL(handle)) text = FromGtkText(gtk_label_get_text(GTK_LABEL(handle)));
  if (handle && GTK_IS_FRAME(handle)) text = FromGtkText(gtk_frame_get_label(GTK_FRAME(handle)));
  return text.empty() ? name : text;
}

}  // namespace qm
