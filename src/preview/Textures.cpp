#include "preview/Textures.h"
