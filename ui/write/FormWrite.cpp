#include "FormWrite.h"

Form_Write::Form_Write() { setObjectName(QStringLiteral("Form_Write")); }
