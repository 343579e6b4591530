#pragma once
// Vesko's browse window: one catalogue as a tree of folders, each with the
// size, files and folders below it, and the selected folder's files in a
// table beside it. The tree's rows are numbered folders the host asks about
// as it shows them (a host fills a folder's children when it is opened), so
// a catalogue of a million folders is shown without a string for each.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ui/controls.h"
#include "ui/vesko_controls.h"
#include "ui/vesko_layout.h"

namespace korvint::ui {

/// The folder tree's columns: Folder, Size, Files, Folders (a tree control
/// without columns shows them as one text).
std::span<const VeskoColumn> browse_folder_columns();
/// The files' columns: Name, Size, Date.
std::span<const VeskoColumn> browse_file_columns();

/// A tree of folders as the window shows it, in the order shown.
class TreeRows {
 public:
  using Node = std::uint32_t;
  virtual ~TreeRows() = default;
  /// The top folder; nullopt while there is no tree.
  [[nodiscard]] virtual std::optional<Node> root() const = 0;
  [[nodiscard]] virtual std::size_t child_count(Node node) const = 0;
  /// The child at `index` < child_count(node).
  [[nodiscard]] virtual Node child(Node node, std::size_t index) const = 0;
  /// The folder that holds `node`; nullopt for the root.
  [[nodiscard]] virtual std::optional<Node> parent(Node node) const = 0;
  /// Where `node` stands among its parent's children (0 for the root).
  [[nodiscard]] virtual std::size_t index_of(Node node) const = 0;
  /// Replaces `out` with the text (UTF-8) of `column` of `node`.
  virtual void cell(Node node, int column, std::string& out) const = 0;
};

/// A tree control over TreeRows. The host reads only what it shows, on the window's thread.
class FolderTreeView {
 public:
  virtual ~FolderTreeView() = default;
  /// Shows `tree` from now on; it must outlive the control or be replaced first.
  virtual void setTree(const TreeRows* tree) = 0;
  /// The tree was made anew or reordered: shown anew with its root open and
  /// `selected` selected, its folders opened down to it and scrolled to it
  /// (nothing selected when nullopt). No selection event follows.
  virtual void treeChanged(std::optional<TreeRows::Node> selected) = 0;
  /// The selected folder; nullopt when none.
  [[nodiscard]] virtual std::optional<TreeRows::Node> selectedFolder() const = 0;
  /// Shows `column` as the one the folders are sorted by.
  virtual void showSortColumn(int column, bool descending) = 0;
};

/// What the browse window's user does, handled on the window's thread.
class BrowseEvents {
 public:
  virtual ~BrowseEvents() = default;
  /// The user selected another folder in the tree.
  virtual void browse_FolderSelected() = 0;
  /// A click on a column header of the tree: its folders sorted by it.
  virtual void browse_TreeHeaderClick(int column) = 0;
  /// The right-click menu (or the menu key) over the selected folder.
  virtual void browse_TreeContextMenu() = 0;
  /// A click on a column header of the files: sorted by it, the second click the other way round.
  virtual void browse_FilesHeaderClick(int column) = 0;
  /// Enter or a double click on a file.
  virtual void browse_FileOpen() = 0;
  /// The right-click menu (or the menu key) over the current file.
  virtual void browse_FilesContextMenu() = 0;
  /// Ctrl+C in the files: the full paths of the selected ones.
  virtual void browse_Copy() = 0;
  /// The window was closed (or Esc): the work for it stops.
  virtual void browse_Closed() = 0;
};

/// The browse window, made by the host the first time it is asked for and
/// kept until Vesko's window goes; hidden when the user closes it.
class BrowseWindow {
 public:
  virtual ~BrowseWindow() = default;
  virtual FolderTreeView& tvwFolders() = 0;
  virtual TableView& lstFiles() = 0;
  virtual Label& lblBrowseStatus() = 0;
  /// Shows the window (raised, in front) titled `title`.
  virtual void showBrowse(std::string_view title) = 0;
};

}  // namespace korvint::ui
