#include "catalog/lookalike_index.h"
