#pragma once
// Vesko's window as its handlers see it: the controls by name and the host.

#include "ui/controls.h"
#include "ui/vesko_controls.h"
#include "ui/vesko_host.h"

namespace korvint::ui {

/// The controls of Vesko's window, owned by the host; they must outlive the form.
struct VeskoForm {
  TextBox& txtQuery;
  Label& lblFolder;
  TableView& lstCatalogues;
  TableView& lstResults;
  Label& lblStatus;
  VeskoHost& host;
};

}  // namespace korvint::ui
