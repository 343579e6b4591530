#include "app/vesko_arguments.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string_view>
#include <utility>

namespace korvint::app {
namespace {

// The options vesko knows, by their long names.
constexpr std::string_view kOptionNames[] = {"--catalogues", "--limit",      "--count",   "--check",   "--encoding",
                                             "--help",       "--version",    "--list",    "--tree",    "--depth",
                                             "--duplicates", "--by",         "--compare", "--all",     "--ignore-date",
                                             "--index",      "--no-index"};

bool is_option_name(std::string_view name) {
  return std::find(std::begin(kOptionNames), std::end(kOptionNames), name) != std::end(kOptionNames);
}

// `text` as a whole number of type T, digits only; nullopt for anything else.
template <typename T>
std::optional<T> whole_number(const std::string& text) {
  T number = 0;
  const auto read = std::from_chars(text.data(), text.data() + text.size(), number);
  if (read.ec != std::errc() || read.ptr != text.data() + text.size()) return std::nullopt;
  return number;
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
    // The words after --tree CATALOGUE are a folder, not a query: options may follow them.
    const bool option_after_folder =
        options.tree && !dashes && argument.rfind("--", 0) == 0 && is_option_name(argument.substr(0, argument.find('=')));
    if (!option_after_folder && (options_ended || argument.size() < 2 || argument[0] != '-')) {
      if (!dashes && !options.query.empty() && is_option_name(argument.substr(0, argument.find('=')))) {
        error = "\"" + argument + "\" comes after the query: options go first";
        return false;
      }
      options_ended = true;
      options.window = false;
      add_word(argument);
      options.words.push_back(argument);
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
    } else if (name == "--list") {
      options.list = true;
    } else if (name == "--index") {
      options.index = true;
    } else if (name == "--no-index") {
      options.no_index = true;
    } else if (name == "--tree") {
      const auto catalogue = take_value();
      if (!catalogue) return false;
      options.tree = *catalogue;
    } else if (name == "--depth") {
      const auto text = take_value();
      if (!text) return false;
      options.depth = whole_number<std::uint32_t>(*text);
      if (!options.depth) {
        error = "--depth needs a number of levels (0 or more), not \"" + *text + "\"";
        return false;
      }
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
      options.limit = whole_number<std::size_t>(*text);
      if (!options.limit || *options.limit == 0) {
        error = "--limit needs a number of results above 0, not \"" + *text + "\"";
        return false;
      }
    } else {
      error = "unknown option \"" + argument + "\"";
      if (argument[1] != '-') error += " (a word that leaves names out goes after the first word or after \"--\")";
      return false;
    }
  }
  // The collection's commands each answer their own question: two at once is a mistake.
  std::vector<std::string_view> commands;
  if (options.list) commands.push_back("--list");
  if (options.tree) commands.push_back("--tree");
  if (options.duplicates) commands.push_back("--duplicates");
  if (!options.compare.empty()) commands.push_back("--compare");
  if (options.index) commands.push_back("--index");
  if (commands.size() > 1) {
    error = std::string(commands[0]) + " and " + std::string(commands[1]) + " go one at a time";
    return false;
  }
  if (options.index && options.no_index) {
    error = "--index and --no-index go one at a time";
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
