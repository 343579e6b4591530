#pragma once
// Vesko's browse window over Win32: a window of its own, owned by the main
// one, with a tree-view control of the catalogue's folders (filled as
// folders open: a folder's children are inserted when it is first expanded,
// their texts asked for as they are painted), an owner-data list view of the
// selected folder's files beside it and a status line. Closing it hides it.

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>

#include "hosts/win32/top_level_window.h"
#include "hosts/win32/vesko_win32_controls.h"
#include "hosts/win32/win32_controls.h"
#include "hosts/win32/win32_handles.h"
#include "ui/vesko_browse.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

/// The window class of the browse window.
inline constexpr const wchar_t* kVeskoBrowseWindowClass = L"VeskoBrowseWindow";

class VeskoBrowseWindow final : public TopLevelWindow, public BrowseWindow, public FolderTreeView {
 public:
  /// Creates the window, hidden, owned by `owner`, at `dpi`; its events go to `events`.
  VeskoBrowseWindow(HWND owner, int dpi, BrowseEvents& events);
  ~VeskoBrowseWindow() override;

  FolderTreeView& tvwFolders() override { return *this; }
  TableView& lstFiles() override { return *list_; }
  Label& lblBrowseStatus() override { return *status_; }
  void showBrowse(std::string_view title) override;
  bool pre_translate(MSG&) override { return false; }

  void setTree(const TreeRows* tree) override { tree_ = tree; }
  void treeChanged(std::optional<TreeRows::Node> selected) override;
  [[nodiscard]] std::optional<TreeRows::Node> selectedFolder() const override;
  void showSortColumn(int, bool) override {}  // a tree control has no header: its menu sorts

  [[nodiscard]] HWND tree() const { return tree_hwnd_; }
  [[nodiscard]] HWND list() const { return list_hwnd_; }
  [[nodiscard]] HWND status() const { return status_hwnd_; }

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
  void lay_out();

  BrowseEvents& events_;
  int dpi_;
  FontHandle font_;
  HWND tree_hwnd_ = nullptr;
  HWND list_hwnd_ = nullptr;
  HWND status_hwnd_ = nullptr;
  const TreeRows* tree_ = nullptr;
  std::unique_ptr<VeskoListView> list_;
  std::unique_ptr<Win32Label> status_;
  std::string cell_;
  bool quiet_ = false;  ///< true while the program changes the tree
};

}  // namespace korvint::hosts::win32
