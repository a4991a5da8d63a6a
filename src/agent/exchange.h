// Messages between the agents with MPI-1 calls only, waited for without
// spinning: a request is tested, and between tests the agent sleeps, so
// that an agent whose benchmark ended first does not burn a core while the
// others' still run.
#ifndef DRIVES_AGENT_EXCHANGE_H_
#define DRIVES_AGENT_EXCHANGE_H_

#include <string>

// Sends `text` to `rank`; false when MPI fails.
bool SendText(const std::string& text, int rank);
// Receives a text from `rank` into `text`; false when MPI fails.
bool ReceiveText(int rank, std::string& text);

#endif  // DRIVES_AGENT_EXCHANGE_H_
