#include "preview/PngWriter.h"
