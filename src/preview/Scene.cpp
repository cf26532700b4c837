#include "preview/Scene.h"
