#include "model/object_attrs.h"
