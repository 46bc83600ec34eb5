#pragma once

#include <QString>

// Where the window icon lives in the resource collection "app_resources".
QString windowIconPath();
