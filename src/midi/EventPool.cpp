// The event pool: one fixed array of nodes recycled through a free list, nothing allocated.
// Every operation of a shared pool takes the pool's lock, the cursor's too: the user-interface
// thread may insert while the clock thread walks, and a link read unlocked while another thread
// writes it is a data race. A pool of one thread skips the lock.
#include "midi/EventPool.h"

void EventPool::Reset() {
    Guard lock(*this);
    usedHead_.next = nullptr;
    hint_ = &usedHead_;
    cursor_ = &usedHead_;
    for (int i = 0; i < kNodes - 1; ++i) nodes_[i].next = &nodes_[i + 1];
    nodes_[kNodes - 1].next = nullptr;
    freeHead_.next = &nodes_[0];
    count_ = 0;
}

PerfEvent* EventPool::Insert(std::int32_t time) {
    Guard lock(*this);
    PerfEvent* node = freeHead_.next;
    if (!node) return nullptr;
    freeHead_.next = node->next;
    // Nodes before the last one inserted are no later than it: a later time starts there.
    PerfEvent* after = hint_->time <= time ? hint_ : &usedHead_;
    while (after->next && after->next->time <= time) after = after->next;
    node->next = after->next;
    after->next = node;
    node->time = time;
    hint_ = node;
    ++count_;
    return node;
}

PerfEvent* EventPool::Insert(const PerfEvent& event) {
    Guard lock(*this);
    PerfEvent* node = Insert(event.time);
    if (!node) return nullptr;
    PerfEvent* next = node->next;
    *node = event;
    node->next = next;
    return node;
}

void EventPool::Rewind() {
    Guard lock(*this);
    cursor_ = &usedHead_;
}

PerfEvent* EventPool::PeekAtCursor() {
    Guard lock(*this);
    return cursor_->next;
}

void EventPool::AdvanceCursor() {
    Guard lock(*this);
    if (cursor_->next) cursor_ = cursor_->next;
}

void EventPool::RemoveAtCursor() {
    Guard lock(*this);
    PerfEvent* node = cursor_->next;
    if (!node) return;
    cursor_->next = node->next;
    if (node == hint_) hint_ = &usedHead_;
    node->next = freeHead_.next;
    freeHead_.next = node;
    --count_;
}

bool EventPool::HasRoom(std::int16_t n) const {
    Guard lock(*this);
    return count_ + n < kNodes;
}

int EventPool::GetCount() const {
    Guard lock(*this);
    return count_;
}
