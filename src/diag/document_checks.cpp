#include "diag/diagnose_job.h"
