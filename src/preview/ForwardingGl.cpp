#include "preview/ForwardingGl.h"
