// placeholder: entries
