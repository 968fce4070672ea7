// placeholder: app
