#include "run/job_start.h"

int main(int argc, char** argv) {
  return pss::job_start(argc, argv);
}
