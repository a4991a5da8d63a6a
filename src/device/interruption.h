// An interrupt (Ctrl-C, SIGTERM, SIGHUP) during a measurement of the drive:
// noted rather than ending the process at once, so that the measurement
// stops early and removes its files; then the process ends as the signal
// would have ended it.
#ifndef DRIVES_DEVICE_INTERRUPTION_H_
#define DRIVES_DEVICE_INTERRUPTION_H_

// While one lives, interrupts are noted; where the process blocks them (a
// sweep's runs wait for them), they wait for it as before.
class Interruption {
 public:
  Interruption();
  ~Interruption();
  Interruption(const Interruption&) = delete;
  Interruption& operator=(const Interruption&) = delete;

  // Whether one came.
  static bool Requested();
  // Ends the process as the interrupt would have, if one came.
  void EndIfRequested();
};

#endif  // DRIVES_DEVICE_INTERRUPTION_H_
