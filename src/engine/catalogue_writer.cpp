#include "engine/catalogue_writer.h"

namespace korvint::engine {

CatalogueWriter::CatalogueWriter(platform::OutputFile& file, std::size_t block_size)
    : file_(file), block_size_(block_size) {
  // Room for one more line past the block size, so a block never reallocates.
  buffer_.reserve(block_size_ + 4096);
}

void CatalogueWriter::header(std::string_view root) {
  catalogue::append_header_line(buffer_, root);
  flush_if_full();
}

void CatalogueWriter::file_line(std::string_view name, std::uint64_t size,
                                const catalogue::CalendarTime& written) {
  catalogue::append_file_line(buffer_, name, size, written);
  flush_if_full();
}

void CatalogueWriter::folder_line(std::string_view relative_path, const catalogue::CalendarTime& created) {
  catalogue::append_folder_line(buffer_, relative_path, created);
  flush_if_full();
}

void CatalogueWriter::flush_if_full() {
  if (buffer_.size() >= block_size_) flush();
}

platform::Status CatalogueWriter::flush() {
  if (status_.ok() && !buffer_.empty()) status_ = file_.write(buffer_);
  buffer_.clear();
  return status_;
}

}  // namespace korvint::engine
