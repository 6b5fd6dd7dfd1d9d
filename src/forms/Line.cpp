// SPDX-License-Identifier: MIT
#include "forms/Line.h"

#include <algorithm>
#include <cmath>

namespace forms {

void Line::setEnds(float x1, float y1, float x2, float y2)
{
    m_x1 = x1;
    m_y1 = y1;
    m_x2 = x2;
    m_y2 = y2;
    setGeometry(std::min(x1, x2), std::min(y1, y2), std::fabs(x2 - x1), std::fabs(y2 - y1));
    changed(Property::Geometry);
}

}
