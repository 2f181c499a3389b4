#include "catalog/catalog_fingerprints.h"
