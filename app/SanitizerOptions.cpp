// Built into the program only under the sanitizers. glibc keeps a few blocks
// of its locale and catalogue lookup for the life of the process; the leak
// checker's own list passes over them, but by default it then prints the list
// it used on standard error, after the program's last line, which is text the
// program's callers read.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
