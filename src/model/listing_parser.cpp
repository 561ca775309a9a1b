#include "model/listing_parser.h"
