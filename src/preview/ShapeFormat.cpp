#include "preview/ShapeFormat.h"
