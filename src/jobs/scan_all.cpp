#include "jobs/scan_all.h"

#include <algorithm>
#include <cstdint>
#include <map>

#include "jobs/naming_rule.h"
#include "jobs/scan_job.h"
#include "platform/case_folding.h"

namespace korvint::jobs {
namespace {

// What the file system tells names and paths apart by: on Windows letters in
// either case name the same file ("Data.lst" is "data.lst"); elsewhere the bytes.
std::string file_system_key(const std::string& text) {
#ifdef _WIN32
  std::string key;
  platform::fold_case(text, key);
  return key;
#else
  return text;
#endif
}

// "Name.lst" -> "Name (n).lst".
std::string numbered(const std::string& name, int n) {
  const std::string stem = name.size() >= 4 ? name.substr(0, name.size() - 4) : name;
  return stem + " (" + std::to_string(n) + ").lst";
}

}  // namespace

void Command5_Click(ui::Form1& form) {
  if (form.scanRunning || form.closed) return;
  std::int64_t total = 0;
  // Jobs that could not write their catalogue, and the first one's reason.
  int failed = 0;
  std::string first_failure;
  // What a completed job had to tell (an earlier catalogue left beside its new one).
  std::string first_note;
  // Output names written in this run, with the root each was written for,
  // both as the file system tells them apart.
  std::map<std::string, std::string> written;
  auto taken_by_another_root = [&written](const std::string& name, const std::string& root) {
    const auto found = written.find(file_system_key(name));
    return found != written.end() && found->second != root;
  };
  // The entries there are when Scan all starts; entries added meanwhile wait
  // for the next run, and an entry removed meanwhile ends it at the list's new end.
  const int count = form.List1.ListCount();
  for (int i = 0; i < std::min(count, form.List1.ListCount()) && !form.closed; ++i) {
    ScanRequest request{form.List1.List(i), form.Text5.text(), std::string()};
    request.name = derive_catalogue_name(request.root);
    // The boxes show the entry being scanned, as a click on it would.
    form.Text1.setText(request.root);
    form.Text4.setText(request.name);
    form.List1.setListIndex(i);

    // Two roots that give the same name must not overwrite each other's
    // catalogue; both as the scan will complete them.
    const ScanRequest as_run = completed(request);
    const std::string root = file_system_key(as_run.root);
    std::string name = as_run.name;
    for (int n = 2; taken_by_another_root(name, root); ++n) name = numbered(as_run.name, n);
    request.name = name;
    form.Text4.setText(name);

    const std::optional<ScanOutcome> outcome = scan_in_window(form, request);
    if (!outcome) break;  // the window closed
    if (outcome->end == ScanEnd::failed) {
      // A failed job ends only itself; the next entry gets its own try.
      if (failed++ == 0) first_failure = outcome->reason;
    } else {
      written.emplace(file_system_key(name), root);
      if (first_note.empty()) first_note = outcome->note;
    }
    total += outcome->seconds;
  }
  if (form.closed) return;
  form.Label1.setCaption(kTotalSecondsItTook + std::to_string(total));
  // "Many files" alone would hide the failures, and what a job had to tell,
  // behind the last job's result.
  std::string result = kManyFiles;
  if (failed > 0) result += "; " + std::to_string(failed) + " failed, the first: " + first_failure;
  if (!first_note.empty()) result += "; " + first_note;
  form.Label2.setCaption(result);
}

}  // namespace korvint::jobs
