#include "app/vesko_form_events.h"

#include "app/query_help.h"

namespace korvint::app {

using ui::VeskoControlId;

void on_load(VeskoWindow& window) { window.Form_Load(); }

void on_change(VeskoWindow& window, VeskoControlId box) {
  if (box == VeskoControlId::txtQuery) window.session().txtQuery_Change();
}

void on_click(VeskoWindow& window, VeskoControlId button) {
  if (button == VeskoControlId::cmdFolder) window.cmdFolder_Click();
  if (button == VeskoControlId::cmdHelp) window.host().showText(kQueryHelpTitle, kQueryHelp);
}

void on_selection_change(VeskoWindow& window, VeskoControlId table) {
  if (table == VeskoControlId::lstCatalogues) window.session().lstCatalogues_SelectionChange();
}

void on_header_click(VeskoWindow& window, VeskoControlId table, int column) {
  if (table == VeskoControlId::lstResults) window.session().lstResults_HeaderClick(column);
  if (table == VeskoControlId::lstCatalogues) window.session().lstCatalogues_HeaderClick(column);
}

void on_double_click(VeskoWindow& window, VeskoControlId table) {
  if (table == VeskoControlId::lstResults) window.session().lstResults_Open();
  if (table == VeskoControlId::lstCatalogues)
    if (const auto current = window.session().current_catalogue()) window.browse().browse_catalogue(*current);
}

void on_context_menu(VeskoWindow& window, VeskoControlId table) {
  if (table == VeskoControlId::lstResults) window.session().lstResults_ContextMenu();
  if (table == VeskoControlId::lstCatalogues) window.views().lstCatalogues_ContextMenu();
}

bool on_key(VeskoWindow& window, VeskoControlId focus, VeskoKey key) {
  jobs::VeskoSession& session = window.session();
  ui::VeskoHost& host = window.host();
  switch (key) {
    case VeskoKey::FindQuery:
      host.focusControl(VeskoControlId::txtQuery);
      return true;
    case VeskoKey::Escape:
      session.clear_query();
      host.focusControl(VeskoControlId::txtQuery);
      return true;
    case VeskoKey::Down:
    case VeskoKey::Enter:
      if (focus == VeskoControlId::txtQuery) {
        // Into the results with the first row selected, ready for Enter or the arrows.
        session.select_first_result();
        host.focusControl(VeskoControlId::lstResults);
        return true;
      }
      if (focus == VeskoControlId::lstResults && key == VeskoKey::Enter) {
        session.lstResults_Open();
        return true;
      }
      if (focus == VeskoControlId::lstCatalogues && key == VeskoKey::Enter) {
        on_double_click(window, VeskoControlId::lstCatalogues);
        return true;
      }
      return false;
    case VeskoKey::ContextMenu:
      if (focus == VeskoControlId::lstCatalogues) {
        window.views().lstCatalogues_ContextMenu();
        return true;
      }
      if (focus != VeskoControlId::lstResults) return false;
      session.lstResults_ContextMenu();
      return true;
    case VeskoKey::Duplicates:
      window.views().show_duplicates();
      return true;
    case VeskoKey::Reload:
      session.reload_all();
      return true;
    case VeskoKey::Copy:
      if (focus != VeskoControlId::lstResults) return false;  // the query box copies its own text
      session.lstResults_Copy();
      return true;
    case VeskoKey::Help:
      host.showText(kQueryHelpTitle, kQueryHelp);
      return true;
  }
  return false;
}

void on_folders_changed(VeskoWindow& window) { window.session().catalogues_changed(); }

}  // namespace korvint::app
