#include <windows.h>

#include <atomic>

#include "device/interruption.h"

namespace {

std::atomic<bool> noted{false};

BOOL WINAPI Note(DWORD) {
  noted = true;
  return TRUE;  // handled: the measurement stops and removes its files
}

}  // namespace

Interruption::Interruption() {
  noted = false;
  SetConsoleCtrlHandler(Note, TRUE);
}

Interruption::~Interruption() { SetConsoleCtrlHandler(Note, FALSE); }

bool Interruption::Requested() { return noted; }

void Interruption::EndIfRequested() {
  if (!noted) return;
  SetConsoleCtrlHandler(Note, FALSE);
  ExitProcess(STATUS_CONTROL_C_EXIT);
}
