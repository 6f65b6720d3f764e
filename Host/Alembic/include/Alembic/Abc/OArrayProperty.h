#pragma once

#include <Alembic/Abc/OCompoundProperty.h>
