#include "preview/Meshes.h"
