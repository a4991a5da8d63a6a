// The timing record every timed test keeps: wall-clock start and end, the
// elapsed seconds and the rate of the test's nominal operation count.
#ifndef DRIVES_TESTS_TIMING_RECORD_H_
#define DRIVES_TESTS_TIMING_RECORD_H_

struct TimingRecord {
  double start = 0;    // omp_get_wtime() before the first timed call
  double end = 0;      // omp_get_wtime() after the last timed call
  double elapsed = 0;  // end - start, in seconds
  double rate = 0;     // nominal operations per second
};

// Fills in elapsed and rate once start and end are read. The rate is always
// credited with the nominal count, whatever the calls achieved.
inline void CompleteRecord(TimingRecord& record, double nominalCount) {
  record.elapsed = record.end - record.start;
  record.rate = nominalCount / record.elapsed;
}

#endif  // DRIVES_TESTS_TIMING_RECORD_H_
