// Warp Speed: the feedback's star streaks, split into colours along the line of flight.

vec2 finger() { return (a_x == 0.0 && a_y == 0.0) ? vec2(0.5) : vec2(a_x, a_y); }

void main() {
  vec2 uv = v_texcoord;
  vec2 size = max(a_size, vec2(1.0));
  vec2 aspect = vec2(size.x / size.y, 1.0);
  float g = clamp(a_g, 0.0, 1.0);
  float s = clamp(a_speed, 0.0, 1.0);
  vec2 f = finger();
  vec2 d = uv - f;
  float r = length(d * aspect);

  vec2 split = d * (0.004 + 0.03 * s);
  vec3 col;
  col.r = texture(u_buffer0, uv + split).r;
  col.g = texture(u_buffer0, uv).g;
  col.b = texture(u_buffer0, uv - split).b;

  // A deep-space wash and a glow at the centre of flight.
  col += mix(vec3(0.01, 0.0, 0.04), vec3(0.0, 0.02, 0.06), uv.y);
  col += vec3(0.3, 0.5, 1.0) * (0.05 + 0.25 * g) * exp(-r * (6.0 - 3.0 * s));
  col *= 1.0 - 0.35 * smoothstep(0.4, 1.0, length((uv - 0.5) * aspect));
  col = col / (1.0 + col * 0.25);

  fragColor = vec4(col, 1.0);
}
