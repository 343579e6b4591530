#include "stop_signals.h"

#include <csignal>
#include <initializer_list>

namespace korvint::hosts {
namespace {

volatile std::sig_atomic_t g_stop_signal = 0;

extern "C" void on_stop_signal(int) { g_stop_signal = 1; }

}  // namespace

void install_stop_signals() {
  struct sigaction action {};
  action.sa_handler = &on_stop_signal;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(signal, &action, nullptr);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

bool stop_signal_received() { return g_stop_signal != 0; }

}  // namespace korvint::hosts
