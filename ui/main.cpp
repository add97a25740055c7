// Entry point of the editor: the toolkit takes its own options from the
// command line, then the main window runs until the user quits.
#include "ui/shell.h"

#include <gtk/gtk.h>

int main(int argc, char** argv)
{
    gtk_init(&argc, &argv);
    shell_build();
    gtk_main();
    return 0;
}
