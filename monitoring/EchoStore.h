#pragma once
// The data set of a run: every echo the run writes a line for, one series
// per address in the order the addresses first answered (range order). A new
// Start begins a new data set; the graph window's Clear does too.
//
// Memory is bounded: the store keeps at most echoBudget echoes, shared
// evenly between the addresses it has seen, so each of up to 254 addresses
// keeps at least its newest 100,000 echoes (six bytes each, EchoSeries), and
// a single host keeps 254 times as many. Echoes of addresses beyond the
// first kMaxAddresses are told to observers but not kept.
//
// Observers follow the data set live: each added echo, and each clear.
// Everything runs on the user-interface thread.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "monitoring/EchoRecord.h"
#include "monitoring/EchoSeries.h"

namespace velmora {

class EchoObserver {
public:
    virtual ~EchoObserver() = default;
    // After the echo is kept (when it is: see kMaxAddresses).
    virtual void EchoAdded(const EchoRecord& echo) = 0;
    // The data set was emptied: a new Start, or a Clear.
    virtual void EchoesCleared() = 0;
};

class EchoStore {
public:
    static constexpr std::size_t kEchoesPerAddress = 100'000;
    static constexpr std::size_t kAddressesInFull = 254;
    static constexpr std::size_t kMaxAddresses = 16'384;

    explicit EchoStore(std::size_t echoBudget = kEchoesPerAddress * kAddressesInFull);
    EchoStore(const EchoStore&) = delete;
    EchoStore& operator=(const EchoStore&) = delete;

    void Add(const EchoRecord& echo);
    void Clear();

    std::size_t SeriesCount() const { return series_.size(); }
    const EchoSeries& SeriesAt(std::size_t index) const { return series_.at(index); }
    const EchoSeries* Find(const std::string& address) const;
    std::size_t EchoCount() const { return echoCount_; }
    // How many echoes each address keeps now.
    std::size_t CapacityPerAddress() const;
    // The newest echo's pass; -1 while the data set is empty.
    std::int64_t LastPass() const { return lastPass_; }

    // The observer must be removed before it is destroyed.
    void AddObserver(EchoObserver& observer);
    void RemoveObserver(EchoObserver& observer);

private:
    EchoSeries* SeriesFor(const std::string& address);
    void KeepWithinBudget(EchoSeries& added);

    std::size_t echoBudget_;
    EchoSeries::StatusTable statuses_;
    std::deque<EchoSeries> series_;
    std::unordered_map<std::string, std::size_t> indexOf_;
    std::size_t echoCount_ = 0;
    std::int64_t lastPass_ = -1;
    std::vector<EchoObserver*> observers_;
};

}  // namespace velmora
