/* The peer of the wizard's start-up: the smallest GTK program that shows a
 * titled window with a line of text, nothing loaded, nothing drawn by hand. */
#include <gtk/gtk.h>

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), argc > 1 ? argv[1] : "GTK peer");
  gtk_window_set_default_size(GTK_WINDOW(window), 550, 450);
  gtk_container_add(GTK_CONTAINER(window), gtk_label_new("전자결제창 마법사를 시작합니다"));
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
