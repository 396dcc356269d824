#pragma once
// An ordered collection of interface records, reached by 1-based position in
// the order of addition, or walked with a range-for.

#include <cstddef>
#include <stdexcept>
#include <vector>

#include "interfaces/CInterface.h"

namespace velmora {

class CInterfaces {
public:
    // Takes the record over; the caller makes a new one for the next.
    const CInterface& Add(CInterface&& objInterface) {
        items_.push_back(std::move(objInterface));
        objInterface = CInterface{};
        return items_.back();
    }

    // The record at a 1-based position; std::out_of_range outside 1..Count.
    const CInterface& Item(std::size_t position) const {
        if (position < 1 || position > items_.size()) throw std::out_of_range("no interface at that position");
        return items_[position - 1];
    }

    std::size_t Count() const { return items_.size(); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<CInterface> items_;
};

}  // namespace velmora
