// The remotes and paging station of the shown unit: one status line per
// child slot (paging station, six zone remotes, master remote), with the
// child's version in its tooltip and its colour chosen by the label's
// "online" property. It writes these eight labels and nothing else.
#pragma once

#include "presentation.h"

#include <array>
#include <cstdint>

class QDevice;
class QLabel;

class RemoteStatusView {
public:
    using Labels = std::array<QLabel*, zq40::kRemoteSlots.size()>;

    // The labels in slot order.
    explicit RemoteStatusView(const Labels& labels);

    // Every slot from the unit's children.
    void show(const QDevice& unit);
    // Working offline: "n/a" everywhere.
    void showOffline();
    // The child under `key` restarts after its update: "Not Connected" until
    // it is back.
    void showRestarting(uint16_t key);

    const Labels& statusLabels() const { return labels; }

private:
    Labels labels;
};
