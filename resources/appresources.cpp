#include "resources/appresources.h"

QString windowIconPath() { return QStringLiteral(":/images/icon.png"); }
