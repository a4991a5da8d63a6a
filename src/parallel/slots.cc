#include "parallel/slots.h"

TestSlot slots[kSlotCapacity];

double SumRates(TimingRecord TestSlot::*record) {
  double total = 0;
  for (int slot = 0; slot < omp_get_max_threads(); ++slot) {
    total += (slots[slot].*record).rate;
  }
  return total;
}
