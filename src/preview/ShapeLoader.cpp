#include "preview/ShapeLoader.h"
