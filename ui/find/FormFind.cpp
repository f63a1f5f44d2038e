#include "FormFind.h"

Form_Find::Form_Find() { setObjectName(QStringLiteral("Form_Find")); }
