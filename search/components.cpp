#include "search/components.hpp"

namespace islands {

component_link* merge_components(puzzle& p, const edge& e) {
    component_link& a = e.a->component_link;
    component_link& b = e.b->component_link;
    if (a.head == b.head) return nullptr;

    component_link* const h = a.head;
    component_link* tail = &a;
    while (tail->next) tail = tail->next;
    component_link* const s = b.head;
    tail->next = s;
    for (component_link* l = s; l; l = l->next) l->head = h;
    --p.component_count;
    return tail;
}

void split_components(puzzle& p, component_link* tail) {
    // The appended part starts at its old head, so relabelling it from
    // there restores the heads exactly.
    component_link* const f = tail->next;
    tail->next = nullptr;
    for (component_link* l = f; l; l = l->next) l->head = f;
    ++p.component_count;
}

int enough_links_left(const puzzle& p, const edge* e) {
    if (p.component_count <= 1) return 1;
    const int needed = p.component_count - 1;
    int found = 0;
    for (const edge* f = e; f; f = f->next) {
        if (f->blocked == 0 && f->a->component_link.head != f->b->component_link.head) {
            if (++found >= needed) return 1;
        }
    }
    return 0;
}

}  // namespace islands
