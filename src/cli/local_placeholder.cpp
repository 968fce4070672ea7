// local build aid, not committed
