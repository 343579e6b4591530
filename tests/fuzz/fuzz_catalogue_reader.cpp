// The catalogue reader and search on any bytes: never a crash or a hang, the
// same results whatever the chunk and block size and whether the catalogue's
// encoding is learned by the search itself or known from a full count before,
// every result inside the file.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "search/catalogue.h"
#include "search/query.h"
#include "search/result_line.h"
#include "search/searcher.h"

namespace {

using namespace korvint::search;

// The results' lines, checked against the catalogue's size as they come.
class Lines final : public ResultSink {
 public:
  bool take(const std::shared_ptr<const Catalogue>& catalogue, std::vector<Hit> hits) override {
    for (const Hit& hit : hits) {
      if (hit.line >= catalogue->size()) std::abort();
      append_result_line(text, *catalogue, hit, decoder_);
    }
    return true;
  }
  bool withdraw(std::size_t, std::size_t) override { std::abort(); }  // a catalogue in memory never changes
  std::string text;

 private:
  NameDecoder decoder_{"windows-1252"};
};

std::string lines_of(const std::vector<std::shared_ptr<Catalogue>>& catalogues, const Matcher& matcher,
                     const SearchOptions& options) {
  Lines lines;
  run_search(catalogues, matcher, options, lines);
  return lines.text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte chooses the query, the rest is the catalogue.
  static const char* const kQueries[] = {"a", "path:b\\", "*.t?t", "\xC3\xA4", "type:folder -x", "size:<1k date:2019",
                                         "ext:txt", "k", "path:a\\b", "path:\xC3\xA4", "b path:a"};
  const char* query_text = kQueries[data[0] % (sizeof kQueries / sizeof kQueries[0])];
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string error;
  auto query = parse_query(query_text, error);
  if (!query) std::abort();
  const Matcher matcher(std::move(*query));
  struct Sizes {
    std::uint64_t chunk;
    std::size_t block;
  };
  std::string whole;
  bool first = true;
  for (const Sizes sizes : {Sizes{std::uint64_t{1} << 20, 128u << 10}, Sizes{5, 128u << 10}, Sizes{1 << 20, 7}}) {
    OpenProblem problem = OpenProblem::None;
    std::shared_ptr<Catalogue> catalogue = Catalogue::from_bytes(bytes, "fuzz", problem);
    if (!catalogue) return 0;
    SearchOptions options;
    options.chunk_bytes = sizes.chunk;
    options.block_bytes = sizes.block;
    options.threads = 1;
    options.code_page = "windows-1252";
    const std::string learned = lines_of({catalogue}, matcher, options);
    check_catalogues({catalogue}, options);
    const std::string known = lines_of({catalogue}, matcher, options);
    if (first) whole = known;
    first = false;
    if (learned != whole || known != whole) std::abort();
  }
  return 0;
}
