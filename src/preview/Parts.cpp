#include "preview/Parts.h"
