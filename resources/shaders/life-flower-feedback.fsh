// Life Flower, feedback: a game of life on cells 10 points across, stepping 15 times a
// second. The finger plants a turning five-petalled flower of living cells, wider when it
// moves fast; a seed drifting on its own keeps the garden from ever standing still.
// Red: alive. Green: bloom, which lingers and fades after a cell dies. Blue: how long the
// cell has lived. Alpha: the frame within the step. Every texel of a cell holds the same.

float hash(vec2 p) { return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453); }

vec2 finger() { return (a_x == 0.0 && a_y == 0.0) ? vec2(0.5) : vec2(a_x, a_y); }

void main() {
  ivec2 size = textureSize(u_buffer0, 0);
  int side = max(1, int(floor(10.0 * float(size.x) / max(a_size.x, 1.0) + 0.5)));
  ivec2 cells = max(size / side, ivec2(1));
  ivec2 cell = min(ivec2(v_texcoord * vec2(size)) / side, cells - 1);

  vec4 self = texelFetch(u_buffer0, cell * side + side / 2, 0);
  int frame = int(self.a * 255.0 + 0.5) % 4;
  float alive = self.r;
  float age = self.b;
  float bloom = max(self.g - 0.012, alive);

  if (frame == 0) {
    int neighbours = 0;
    for (int j = -1; j <= 1; ++j) {
      for (int i = -1; i <= 1; ++i) {
        if (i == 0 && j == 0) continue;
        ivec2 n = (cell + ivec2(i, j) + cells) % cells;
        neighbours += texelFetch(u_buffer0, n * side + side / 2, 0).r > 0.5 ? 1 : 0;
      }
    }
    bool was = alive > 0.5;
    bool now = was ? (neighbours == 2 || neighbours == 3) : neighbours == 3;

    vec2 aspect = vec2(float(cells.x) / float(cells.y), 1.0);
    vec2 at = (vec2(cell) + 0.5) / vec2(cells);
    float step = floor(u_time * 15.0);
    float chance = hash(vec2(cell) + step * vec2(0.31, 0.17));

    float g = clamp(a_g, 0.0, 1.0);
    float s = clamp(a_speed, 0.0, 1.0);
    vec2 d = (at - finger()) * aspect;
    float petal = (0.05 + 0.08 * s) * (0.5 + 0.5 * cos(5.0 * atan(d.y, d.x) + u_time * 1.5));
    if (g > 0.5 && length(d) < petal && chance > 0.45) now = true;

    vec2 seed = vec2(0.5 + 0.36 * sin(u_time * 0.21), 0.5 + 0.32 * sin(u_time * 0.29 + 2.0));
    if (length((at - seed) * aspect) < 0.035 && chance > 0.7) now = true;

    age = now ? (was ? min(age + 1.0 / 48.0, 1.0) : 0.0) : 0.0;
    alive = now ? 1.0 : 0.0;
    bloom = max(bloom, alive);
  }
  fragColor = vec4(alive, bloom, age, float((frame + 1) % 4) / 255.0);
}
