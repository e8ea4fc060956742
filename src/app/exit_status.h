#pragma once
// Exit statuses of `orvena`, as cron and systemd see them. README and --help list them.
namespace orvena::app {

inline constexpr int kExitOk = 0;          // every job went through
inline constexpr int kExitError = 1;       // an error ended the run (or a template check failed)
inline constexpr int kExitUsage = 2;       // a wrong option or home folder
inline constexpr int kExitJobsFailed = 3;  // the run ended normally, but a job logged a failure
inline constexpr int kExitHomeBusy = 75;   // EX_TEMPFAIL: another run holds the home folder; try later

}  // namespace orvena::app
