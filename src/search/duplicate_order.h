#pragma once
// The files of duplicate groups put in the groups' order where the search
// left them, among its hits: with no more memory beside the hits than the
// groups' members held (8 bytes a member).

#include <cstdint>
#include <vector>

#include "search/hit_list.h"

namespace korvint::search {

/// Puts the files of the groups `members` names at the front of `hits`, group
/// after group, and drops every other hit. Each member is its group's first
/// file's index above its own index among `hits`, sorted (a group of one is
/// left out). The groups come most wasted bytes first (the sizes of all its
/// files but the largest); of equal waste, more files first, then the group
/// whose first file comes first; within a group its files keep their order.
/// Lets go of `members`; returns where each group starts, in that order.
/// Memory beside the hits: `members` itself, then in its room 16 bytes a
/// group (a group holds two files or more: its record and how far it moves),
/// then 4 bytes a file (how far it moves), and some two bits a file.
std::vector<std::uint32_t> place_duplicate_groups(HitStore& hits, std::vector<std::uint64_t>& members);

}  // namespace korvint::search
