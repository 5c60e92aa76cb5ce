// The standard and Qt Core headers nearly every source of ours reads through Classes.h and
// SysUtils.h, compiled once for all libraries (cmake/Kadrion.cmake: kadrion_pch). Only what
// every target can see (Qt Core, no Gui or Widgets), and only what nearly every source needs:
// a larger header costs each source more to load than it saves.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>
