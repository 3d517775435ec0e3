// The score model's globals live here.
