#pragma once
// Heap allocations made through operator new by this program so far (the plugin's code included).
int AllocationCount();
