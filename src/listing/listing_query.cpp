#include "listing/listing_query.h"
