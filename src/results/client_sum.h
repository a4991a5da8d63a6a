// The figures of a multi-client run as one record: each rate the sum of
// the clients' rates (K clients at T threads each), each improvement the
// summed total over the summed single-thread rate.
#ifndef DRIVES_RESULTS_CLIENT_SUM_H_
#define DRIVES_RESULTS_CLIENT_SUM_H_

#include <string>
#include <vector>

#include "results/run_record.h"

// The sum of `clients` (at least one); a figure some client lacks is
// missing from the sum.
RunRecord SumOfClients(const std::vector<RunRecord>& clients,
                       const std::string& source);

#endif  // DRIVES_RESULTS_CLIENT_SUM_H_
