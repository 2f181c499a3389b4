#include "catalog/picture_fingerprint.h"
