#pragma once
// How the process's allocator treats memory it is given back.

namespace korvint::platform {

/// Lets memory freed by the program be reused by its next allocations rather
/// than handed back to the system and mapped again, page by page, on the next
/// use. A search allocates and frees lists and buffers of megabytes per
/// catalogue; on a virtual machine a page fault may cost tens of
/// microseconds, which made a search through the indexes spend half its time
/// mapping memory it had just freed. Call once, first thing in main().
void keep_freed_memory_for_reuse();

}  // namespace korvint::platform
