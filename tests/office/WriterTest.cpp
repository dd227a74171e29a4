#include "OfficeFixture.h"
