// Widgets from a dialog template: one per row, in template order, placed by the dialog-unit
// mapping of the template's font, with the row's caption, visibility, colour and tab order.
#pragma once

#include <QHash>
#include <QWidget>
#include <vector>

#include "app/dialog_template.h"
#include "dialog_layout.h"

class QButtonGroup;

namespace norvik::ui {

struct TemplateWidgets {
  std::vector<QWidget*> rows;            // one per template row, in template order
  QHash<int, QWidget*> byId;             // the addressable ones (IDs other than 65535)
  QHash<int, QButtonGroup*> radioGroup;  // the exclusive group of each radio
};

// Creates the widgets of `spec` as children of `parent` (whose font must already be the
// template's, see dialogFont) and lays them out with `units`. Controls that take keys get
// `keyFilter` as their event filter.
TemplateWidgets buildTemplateWidgets(const app::DialogSpec& spec, QWidget* parent, BaseUnits units,
                                     QObject* keyFilter);

}  // namespace norvik::ui
