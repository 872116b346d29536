// The widget tests' one QApplication, shared with tests/ui rather than written twice.
#include "../ui/TestApplication.cpp"
