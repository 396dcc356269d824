// One refresh of the ARP table window over 1000 neighbour entries, in a
// network namespace of its own, beside `ip neigh show` over the same table;
// and the interface-table read on its own, which the refresh makes once per
// row. Needs root; it builds and removes the namespace itself:
//
//   ar0 10.214.0.1/16 --- veth --- ar1, with 1000 entries on ar0
//
// This process enters the namespace and mounts that namespace's /sys before
// it opens any socket, as `ip netns exec` would, so the link speeds and types
// come from the namespace's own links.
//
//   arp_refresh [rounds]   rounds of each measurement (default 20); medians are printed

#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "arp_table/ArpTableReader.h"
#include "arp_table/frmArpTable.h"
#include "bench/BenchSupport.h"
#include "interfaces/CIpHelper.h"
#include "platform/LinuxNetworkServices.h"
#include "platform/QtUiServices.h"

extern char** environ;

namespace velmora::bench {
namespace {

constexpr int kEntries = 1000;

// The namespace with its 1000 entries; removed with this.
class NeighbourTable {
public:
    NeighbourTable() {
        const std::string ns = "ip -n " + namespace_.Name();
        Run(ns + " link set lo up");
        Run(ns + " link add ar0 type veth peer name ar1");
        Run(ns + " addr add 10.214.0.1/16 dev ar0");
        Run(ns + " link set ar0 up");
        Run(ns + " link set ar1 up");
        std::string batch;
        for (int i = 0; i < kEntries; ++i) {
            const int high = 1 + i / 250;
            const int low = 1 + i % 250;
            char line[160];
            std::snprintf(line, sizeof line, "neigh add 10.214.%d.%d lladdr 02:00:5e:00:%02x:%02x dev ar0 nud %s\n",
                          high, low, high, low, i % 2 == 0 ? "permanent" : "reachable");
            batch += line;
        }
        Run("printf '" + batch + "' | " + ns + " -batch -");
    }

    // Moves this process into the namespace, with the namespace's /sys.
    // False when /sys could not be mounted: the links' files are then the
    // outer namespace's, and speeds read as unknown.
    bool Enter() const {
        namespace_.Enter();
        return ::unshare(CLONE_NEWNS) == 0 && ::mount("", "/", nullptr, MS_SLAVE | MS_REC, nullptr) == 0 &&
               ::umount2("/sys", MNT_DETACH) == 0 &&
               ::mount(namespace_.Name().c_str(), "/sys", "sysfs", 0, nullptr) == 0;
    }

private:
    const OwnedNamespace namespace_{"varp-"};
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds of each of `rounds` calls.
std::vector<double> TimeEach(int rounds, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        const auto begin = Clock::now();
        work();
        ms.push_back(Seconds(Clock::now() - begin) * 1000);
    }
    return ms;
}

// `ip neigh show`, its output thrown away, from spawn to exit.
void IpNeighShow() {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char ip[] = "ip", neigh[] = "neigh", show[] = "show";
    char* argv[] = {ip, neigh, show, nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "ip", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || ::waitpid(pid, &status, 0) != pid || status != 0) throw std::runtime_error("ip neigh show failed");
}

}  // namespace
}  // namespace velmora::bench

int main(int argc, char* argv[]) {
    using namespace velmora;
    using namespace velmora::bench;
    if (::geteuid() != 0) {
        std::printf("arp_refresh: needs root (it creates a network namespace); skipped\n");
        return 0;
    }
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    try {
        NeighbourTable table;
        const bool ownSys = table.Enter();
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        QTemporaryDir store;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store.path());
        QtUiServices ui;
        LinuxNetworkServices net;

        std::printf("arp_refresh: %d neighbour entries in a namespace of its own%s; medians of %d rounds\n", kEntries,
                    ownSys ? "" : " (its /sys could not be mounted: speeds unknown)", rounds);

        std::size_t links = 0;
        const double firstInterfaces = TimeEach(1, [&] { links = CIpHelper(net, ui).Interfaces().Count(); })[0];
        const double interfaces =
            Median(TimeEach(rounds * 50, [&] { CIpHelper(net, ui).Interfaces(); })) * 1000;
        std::printf("  interface table read (%zu links):   %8.1f us   (first read, with hardware look-ups: %.1f us)\n",
                    links, interfaces, firstInterfaces * 1000);

        ArpTableReader reader(net, ui);
        std::size_t rows = 0;
        const double read = Median(TimeEach(rounds, [&] { rows = reader.GetArpTabel().size(); }));
        std::printf("  GetArpTabel, %zu rows:             %8.2f ms   (%.1f us a row)\n", rows, read,
                    read * 1000 / double(std::max<std::size_t>(rows, 1)));

        bool deleteNoAsk = false;
        frmArpTable window(net, ui, deleteNoAsk);
        window.InitArpTabel();
        window.show();
        const double refresh = Median(TimeEach(rounds, [&] { window.tmrRefrash_Timer(); }));
        std::printf("  window refresh (read + list):      %8.2f ms   (%d rows shown)\n", refresh,
                    window.findChild<QTreeWidget*>()->topLevelItemCount());

        const double ipNeigh = Median(TimeEach(rounds, IpNeighShow));
        std::printf("  ip neigh show:                     %8.2f ms\n", ipNeigh);
        std::printf("  refresh / ip neigh show:           %8.1f x    (goal: under 100 ms and at most 10 x)\n",
                    refresh / ipNeigh);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "arp_refresh: %s\n", error.what());
        return 1;
    }
    return 0;
}
