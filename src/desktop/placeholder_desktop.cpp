// placeholder: desktop
