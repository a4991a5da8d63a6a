#include "comparison/report_work.h"

ReportWork& WorkDone() {
  static ReportWork work;
  return work;
}
