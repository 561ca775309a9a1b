#include "model/string_list.h"
