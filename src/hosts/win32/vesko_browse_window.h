#pragma once
// Vesko's browse window over Win32: a window of its own, owned by the main
// one, with a tree-view control of the catalogue's folders (filled as
// folders open: a folder's children are inserted when it is first expanded,
// their texts asked for as they are painted) under a header control whose
// columns the tree's rows are drawn in and whose click sorts them, a
// splitter, an owner-data list view of the selected folder's files beside
// it and a status line. Closing it hides it.

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <utility>
#include <vector>
#include <string>

#include "hosts/win32/splitter_drag.h"
#include "hosts/win32/vesko_side_window.h"
#include "hosts/win32/vesko_win32_controls.h"
#include "hosts/win32/win32_controls.h"
#include "ui/vesko_browse.h"
#include "ui/window_memory.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

/// The window class of the browse window.
inline constexpr const wchar_t* kVeskoBrowseWindowClass = L"VeskoBrowseWindow";

class VeskoBrowseWindow final : public VeskoSideWindow, public BrowseWindow, public FolderTreeView {
 public:
  /// Creates the window, hidden, owned by `owner`, at `dpi`; its events go to `events`.
  VeskoBrowseWindow(HWND owner, int dpi, BrowseEvents& events);
  ~VeskoBrowseWindow() override;

  FolderTreeView& tvwFolders() override { return *this; }
  TableView& lstFiles() override { return *list_; }
  Label& lblBrowseStatus() override { return *status_; }
  void showBrowse(std::string_view title) override;
  /// Puts the window, not shown yet, where `memory` (at this window's
  /// resolution) says it was left: place, splitter, column widths.
  void restore(const VeskoWindowMemory& memory);
  /// Writes the window's place, splitter and column widths into `memory`, at `memory.dpi`.
  void remember(VeskoWindowMemory& memory) const;

  void setTree(const TreeRows* tree) override { tree_ = tree; }
  void treeChanged(std::optional<TreeRows::Node> selected) override;
  [[nodiscard]] std::optional<TreeRows::Node> selectedFolder() const override;
  void showSortColumn(int column, bool descending) override;

  [[nodiscard]] HWND tree() const { return tree_hwnd_; }
  [[nodiscard]] HWND list() const { return list_hwnd_; }
  [[nodiscard]] HWND status() const { return status_hwnd_; }
  /// The header above the tree: Folder, Size, Files, Folders.
  [[nodiscard]] HWND header() const { return header_hwnd_; }
  /// The tree's width: where the splitter stands.
  [[nodiscard]] int split() const;

 private:
  LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam) override;
  LRESULT on_notify(const NMHDR& header, LPARAM lparam);
  void on_tree_menu(LPARAM lparam);
  void on_list_menu(LPARAM lparam);
  // Inserts the children of `item` (folder `node`) in the order shown.
  void fill(HTREEITEM item, TreeRows::Node node);
  // Inserts folder `node` as the last child of `parent`.
  HTREEITEM insert(HTREEITEM parent, TreeRows::Node node);
  // The item of `node`, its folders opened down to it; nullptr when it is not in the tree.
  HTREEITEM open_to(TreeRows::Node node);
  void lay_out() override;
  // Column 0 of the header takes the tree's width that the others leave.
  void fit_folder_columns();
  // Draws a folder's totals in the header's columns, after the tree drew its name.
  LRESULT draw_tree(NMTVCUSTOMDRAW& draw) const;
  void rescale_contents(int from, int to) override;
  // True when `at` (client pixels) lies on the splitter between the tree and the files.
  [[nodiscard]] bool on_splitter(POINT at) const;

  BrowseEvents& events_;
  HWND header_hwnd_ = nullptr;
  HWND tree_hwnd_ = nullptr;
  HWND list_hwnd_ = nullptr;
  HWND status_hwnd_ = nullptr;
  const TreeRows* tree_ = nullptr;
  std::unique_ptr<VeskoListView> list_;
  std::unique_ptr<Win32Label> status_;
  mutable std::string cell_;
  bool quiet_ = false;  ///< true while the program changes the tree
  std::vector<int> folder_widths_;  ///< the tree's columns as made, dragged or remembered; shown narrower in a narrow tree
  std::optional<int> split_;  ///< the tree's width as dragged; nullopt: its share of the window
  SplitterDrag splitter_;
};

}  // namespace korvint::hosts::win32
