#include "preview/TextureFormats.h"
