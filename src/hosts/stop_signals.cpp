#include "stop_signals.h"

#include <csignal>

namespace korvint::hosts {
namespace {

volatile std::sig_atomic_t g_stop_signal = 0;

extern "C" void on_stop_signal(int) { g_stop_signal = 1; }

}  // namespace

void install_stop_signals() {
  struct sigaction action {};
  action.sa_handler = &on_stop_signal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool stop_signal_received() { return g_stop_signal != 0; }

}  // namespace korvint::hosts
