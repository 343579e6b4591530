#include "app/batch_outcome.h"

#include <gtest/gtest.h>

namespace korvint::app {
namespace {

using jobs::ScanEnd;
using jobs::ScanOutcome;

ScanOutcome ended(ScanEnd end, std::string reason = {}, std::size_t unreadable = 0) {
  ScanOutcome outcome;
  outcome.end = end;
  outcome.reason = std::move(reason);
  outcome.unreadable_folders = unreadable;
  if (unreadable > 0) outcome.first_unreadable = "/disk/locked: Permission denied";
  return outcome;
}

TEST(BatchOutcome, ExitCodesAndTheLinesOnTheErrorStream) {
  const std::string note =
      "2 folder(s) could not be read and are listed empty; the first: /disk/locked: Permission denied";
  struct Case {
    std::optional<ScanOutcome> outcome;
    int exit_code;
    std::vector<std::string> report;
  };
  const Case cases[] = {
      {ended(ScanEnd::completed), 0, {}},
      {ended(ScanEnd::completed, "", 2), 3, {note}},
      // A backup left beside a complete catalogue is told, and the scan still completed.
      {[] {
         ScanOutcome kept = ended(ScanEnd::completed);
         kept.note = "Cannot delete \"/out/cat.lst.old\": Permission denied; the earlier catalogue stays beside the new one";
         return kept;
       }(),
       0,
       {"Cannot delete \"/out/cat.lst.old\": Permission denied; the earlier catalogue stays beside the new one"}},
      {ended(ScanEnd::stopped), 1, {"Stopped! Output deleted!"}},
      {ended(ScanEnd::stopped, "Cannot put back \"/out/cat.lst.old\": Permission denied"), 1,
       {"Cannot put back \"/out/cat.lst.old\": Permission denied"}},
      // Folders that could not be read do not hide why the scan failed.
      {ended(ScanEnd::failed, "Cannot create \"/out/cat.lst\": No space left on device", 2), 1,
       {note, "Cannot create \"/out/cat.lst\": No space left on device"}},
      {std::nullopt, 1, {"no scan ran"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.exit_code);
    EXPECT_EQ(batch_exit_code(c.outcome), c.exit_code);
    EXPECT_EQ(batch_report(c.outcome), c.report);
  }
}

}  // namespace
}  // namespace korvint::app
