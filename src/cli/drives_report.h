// drives-report from its command line to its exit status.
#ifndef DRIVES_CLI_DRIVES_REPORT_H_
#define DRIVES_CLI_DRIVES_REPORT_H_

int RunDrivesReport(int argc, char** argv);

#endif  // DRIVES_CLI_DRIVES_REPORT_H_
