#include "app/vesko_arguments.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string_view>
#include <utility>

namespace korvint::app {
namespace {

// The options vesko knows, by their long names.
constexpr std::string_view kOptionNames[] = {"--catalogues", "--limit", "--count", "--check",
                                             "--encoding", "--help", "--version", "--duplicates", "--by",
                                             "--compare", "--all", "--ignore-date"};

bool is_option_name(std::string_view name) {
  return std::find(std::begin(kOptionNames), std::end(kOptionNames), name) != std::end(kOptionNames);
}

// Reads the arguments into `options`; false with its error set on a usage error.
bool read(const std::vector<std::string>& arguments, VeskoArguments& options) {
  std::string& error = options.error;
  bool options_ended = false;
  bool dashes = false;  // "--" ended the options
  auto add_word = [&](const std::string& word) {
    if (!options.query.empty()) options.query += ' ';
    options.query += word;
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--") {
      options_ended = dashes = true;
      options.window = false;
      continue;
    }
    if (options_ended || argument.size() < 2 || argument[0] != '-') {
      if (!dashes && !options.query.empty() && is_option_name(argument.substr(0, argument.find('=')))) {
        error = "\"" + argument + "\" comes after the query: options go first";
        return false;
      }
      options_ended = true;
      options.window = false;
      add_word(argument);
      continue;
    }
    std::string name = argument;
    std::optional<std::string> value;
    if (const auto equals = argument.find('='); argument.rfind("--", 0) == 0 && equals != std::string::npos) {
      name = argument.substr(0, equals);
      value = argument.substr(equals + 1);
    }
    auto take_value = [&]() -> std::optional<std::string> {
      if (value) return value;
      if (i + 1 < arguments.size()) return arguments[++i];
      error = name + " needs a value";
      return std::nullopt;
    };
    if (name != "--catalogues" && name != "--encoding") options.window = false;
    if (name == "--help" || name == "-h") {
      options.help = true;
    } else if (name == "--version") {
      options.version = true;
    } else if (name == "--count") {
      options.count = true;
    } else if (name == "--check") {
      options.check = true;
    } else if (name == "--catalogues") {
      const auto folder = take_value();
      if (!folder) return false;
      options.folders.push_back(*folder);
    } else if (name == "--encoding") {
      const auto encoding = take_value();
      if (!encoding) return false;
      options.encoding = *encoding;
    } else if (name == "--duplicates") {
      options.duplicates = true;
    } else if (name == "--by") {
      options.by = take_value();
      if (!options.by) return false;
    } else if (name == "--compare") {
      for (int side = 0; side < 2; ++side) {
        const auto catalogue = take_value();
        if (!catalogue) {
          error = "--compare needs two catalogues";
          return false;
        }
        options.compare.push_back(*catalogue);
      }
    } else if (name == "--all") {
      options.all = true;
    } else if (name == "--ignore-date") {
      options.ignore_date = true;
    } else if (name == "--limit") {
      const auto text = take_value();
      if (!text) return false;
      std::size_t limit = 0;
      const auto read = std::from_chars(text->data(), text->data() + text->size(), limit);
      if (read.ec != std::errc() || read.ptr != text->data() + text->size() || limit == 0) {
        error = "--limit needs a number of results above 0, not \"" + *text + "\"";
        return false;
      }
      options.limit = limit;
    } else {
      error = "unknown option \"" + argument + "\"";
      if (argument[1] != '-') error += " (a word that leaves names out goes after the first word or after \"--\")";
      return false;
    }
  }
  if (options.duplicates && !options.compare.empty()) {
    error = "--duplicates and --compare do not go together";
    return false;
  }
  if (options.by && !options.duplicates) {
    error = "--by goes with --duplicates";
    return false;
  }
  if ((options.all || options.ignore_date) && options.compare.empty()) {
    error = std::string(options.all ? "--all" : "--ignore-date") + " goes with --compare";
    return false;
  }
  return true;
}

}  // namespace

VeskoArguments read_vesko_arguments(const std::vector<std::string>& arguments) {
  VeskoArguments options;
  if (!read(arguments, options)) options.window = false;
  return options;
}

std::optional<VeskoWindowOptions> vesko_window_options(const std::vector<std::string>& arguments) {
  VeskoArguments options = read_vesko_arguments(arguments);
  if (!options.window) return std::nullopt;
  return VeskoWindowOptions{std::move(options.folders), std::move(options.encoding)};
}

}  // namespace korvint::app
