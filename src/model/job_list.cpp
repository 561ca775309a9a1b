#include "model/job_list.h"
