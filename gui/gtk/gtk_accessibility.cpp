#include "gui/gtk/gtk_accessibility.h"

#include "gui/gtk/gtk_gadget.h"
#include "gui/gtk/gtk_label.h"

namespace qm {

void LabelGadgetFor(const GadgetPtr& caption, const GadgetPtr& target) {
  auto label = std::dynamic_pointer_cast<TGtkLabel>(caption);
  auto labelled = std::dynamic_pointer_cast<TGtkGadget>(target);
  if (!label || !labelled || !label->handle || !labelled->handle || !GTK_IS_LABEL(label->handle)) return;
  gtk_label_set_mnemonic_widget(GTK_LABEL(label->handle), labelled->handle);
}

void SetFocusOrder(const std::vector<GadgetPtr>& order) {
  std::vector<std::shared_ptr<TGtkGadget>> ring;
  for (const auto& gadget : order) {
    if (auto native = std::dynamic_pointer_cast<TGtkGadget>(gadget)) ring.push_back(std::move(native));
  }
  for (std::size_t i = 0; i < ring.size(); ++i) ring[i]->next_focus = ring[(i + 1) % ring.size()];
}

}  // namespace qm
