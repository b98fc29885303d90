#include "pages/ForceRotation.h"

namespace {

constexpr int32_t angles[6] = {90, 180, 270, -90, -180, -270};

// Rows: the page's existing rotation; columns: the requested one, both in the order of `angles`.
constexpr int32_t table[6][6] = {
    {180, 270, 0, 0, -90, -180}, {270, 0, 90, 90, 0, -90},   {0, 90, -180, 180, 90, 0},
    {0, 90, 180, -180, -270, 0}, {-90, 0, 90, -270, 0, -90}, {-180, -90, 0, 0, -90, 180},
};

int indexOf(int32_t angle) {
    for (int i = 0; i < 6; ++i)
        if (angles[i] == angle) return i;
    return -1;
}

}  // namespace

int32_t forcedRotation(int32_t existing, int32_t requested) {
    const int row = indexOf(existing);
    const int column = indexOf(requested);
    if (row < 0 || column < 0) return requested;
    return table[row][column];
}
